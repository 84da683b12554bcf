#pragma once
// The player the graph window plays WAV files through. Times are in milliseconds.
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace quedral::wav {

class WavPlayer {
public:
    // The report of an open: true when the file is open and playable.
    using OpenReport = std::function<void(bool opened)>;

    virtual ~WavPlayer() = default;
    // Starts opening a file and returns; `report` is called once the file is loaded (true) or
    // refused (false, nothing is open then). It may come before open() returns. A report on
    // an open that a close() or a newer open() superseded is dropped by this player or left
    // for the caller to ignore.
    virtual void open(const QString& path, OpenReport report) = 0;
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
