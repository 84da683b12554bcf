#pragma once
// The player the graph window plays WAV files through. Times are in milliseconds.
#include <QString>

#include <cstdint>
#include <optional>

namespace quedral::wav {

class WavPlayer {
public:
    virtual ~WavPlayer() = default;
    // Opens a file; false when it cannot be played (nothing is open then).
    virtual bool open(const QString& path) = 0;
    virtual void close() = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    // Goes on from where pause() stopped.
    virtual void resume() = 0;
    virtual void stop() = 0;
    virtual void seek(std::int64_t ms) = 0;
    // The open track's length and the play position; nullopt when the player fails (nothing
    // open, or the file turned out unplayable).
    virtual std::optional<std::int64_t> length() const = 0;
    virtual std::optional<std::int64_t> position() const = 0;
};

} // namespace quedral::wav
