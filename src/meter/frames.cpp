#include "meter/frames.h"

namespace quedral {

bool isKeyLetter(std::uint8_t letter)
{
    switch (letter) {
    case Letter::KeyRec:
    case Letter::KeyLevel:
    case Letter::KeyMaxMin:
    case Letter::KeyMaxMinCancel:
    case Letter::KeyWeighting:
    case Letter::KeyFastSlow:
        return true;
    default:
        return false;
    }
}

} // namespace quedral
