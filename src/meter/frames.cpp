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

const char* keyName(std::uint8_t letter)
{
    switch (letter) {
    case Letter::KeyRec: return "REC";
    case Letter::KeyLevel: return "LEVEL";
    case Letter::KeyMaxMin: return "MAX/MIN";
    case Letter::KeyMaxMinCancel: return "MAX/MIN cancel";
    case Letter::KeyWeighting: return "A/C";
    case Letter::KeyFastSlow: return "FAST/SLOW";
    default: return "";
    }
}

} // namespace quedral
