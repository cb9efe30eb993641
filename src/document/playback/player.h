// Playing a document's frames at their rate: a reader thread reads and converts frames ahead of
// the clock into a small ring, and the main thread's ticks take the frame the clock has reached.
//
//   Player player(steadyClock(), settings, [&](int32_t i) { return locationOf(i); });
//   // each tick of a main-thread timer:
//   Player::Tick t = player.tick();
//   if (t.frame) show(*t.frame);
//   if (t.ended) stop();
//
// Positions count the frames played since the start: position 0 is the frame on show when play
// began, position p is due p frame periods after the clock starts, which is once the ring has been
// filled (a frame late at the very start would be dropped). A frame that isn't ready when the clock has
// passed it is skipped and counted as dropped, never shown late: the picture keeps up with the
// clock. The reader, for its part, never reads a frame whose time has already gone.
#pragma once

#include "document/playback/frame_pixels.h"
#include "platform/clock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class Player {
public:
    struct Settings {
        int32_t from = 0;   // the frame on show when play starts (position 0)
        int32_t in = 0;     // the range played, in to out - 1
        int32_t out = 0;
        bool loop = false;  // at the out point go on at the in point
        double rate = 24.0; // frames per second
        int width = 0;      // of every frame
        int height = 0;
        int ringSize = 6;   // frames read ahead at most; the clock starts when they are read
    };
    /// Where the frame at an index is. Called on the reader thread: it may read only what stays
    /// put while the player lives.
    using Locate = std::function<FrameLocation(int32_t index)>;
    /// The frame blocks a player reads into. Kept by whoever plays again (the document), so that
    /// the next play reuses memory already touched.
    using FrameBlocks = std::vector<std::shared_ptr<FramePixels>>;

    /// Starts the reader at once; the clock starts once the ring is full.
    Player(const Clock& clock, Settings settings, Locate locate, std::shared_ptr<FrameBlocks> blocks = nullptr);
    /// Stops the reader and waits for it.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    struct Tick {
        std::shared_ptr<const FramePixels> frame; // the frame to show now; null: keep what is shown
        bool ended = false;                       // past the out point (never when looping)
    };
    /// Main thread: the frame the clock has reached, when it is ready and not yet shown.
    Tick tick();

    /// Frames whose time passed before they were ready.
    int64_t dropped() const { return m_dropped; }
    /// The position last shown (0 at the start).
    int64_t shownPosition() const { return m_shownPosition; }
    /// The index of the frame at `position`; -1 past the out point when not looping.
    int32_t indexAt(int64_t position) const;
    /// Whether the clock runs and the frame at `position` has been read and waits in the ring (tests
    /// wait on this before they move their clock, so that what they see never depends on the
    /// machine's speed).
    bool isReadAhead(int64_t position) const;
    const Settings& settings() const { return m_settings; }

private:
    /// The position the clock has reached.
    int64_t clockPosition() const;
    /// The last position, or -1 when looping (there is none).
    int64_t lastPosition() const;
    void readAhead();
    /// The clock starts now: position 0 is now, position p p frame periods later.
    void startClock();
    /// A frame block not in use by anyone: recycled once the window has let go of it.
    std::shared_ptr<FramePixels> freeBlock();

    const Clock& m_clock;
    const Settings m_settings;
    const Locate m_locate;
    std::atomic<double> m_startTime{0};
    std::atomic<bool> m_started{false};

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<int64_t, std::shared_ptr<FramePixels>>> m_ring; // by position, ascending
    const std::shared_ptr<FrameBlocks> m_blocks;                          // every block made
    bool m_stop = false;

    // Main thread only.
    int64_t m_shownPosition = 0;
    int64_t m_dropped = 0;
    bool m_ended = false;

    std::thread m_reader; // last: starts once the rest is in place
};
