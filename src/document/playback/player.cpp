#include "document/playback/player.h"

#include <algorithm>
#include <cmath>
#include <pthread.h>

namespace {

/// Blocks beyond the ring: the one the window shows, the one it showed before, the one being read.
constexpr size_t kSpareBlocks = 3;

} // namespace

Player::Player(const Clock& clock, Settings settings, Locate locate, std::shared_ptr<FrameBlocks> blocks)
    : m_clock(clock), m_settings(std::move(settings)), m_locate(std::move(locate)),
      m_blocks(blocks ? std::move(blocks) : std::make_shared<FrameBlocks>()) {
    m_reader = std::thread([this] {
        pthread_setname_np(pthread_self(), "playback-read");
        readAhead();
    });
}

Player::~Player() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_reader.join();
}

int32_t Player::indexAt(int64_t position) const {
    const Settings& s = m_settings;
    const int64_t first = int64_t(s.out) - s.from; // positions before the first wrap
    if (position < 0 || s.out <= s.in)
        return -1;
    if (position < first)
        return int32_t(s.from + position);
    if (!s.loop)
        return -1;
    return int32_t(s.in + (position - first) % (int64_t(s.out) - s.in));
}

int64_t Player::lastPosition() const {
    return m_settings.loop ? -1 : int64_t(m_settings.out) - m_settings.from - 1;
}

int64_t Player::clockPosition() const {
    if (!m_started.load())
        return 0;
    const double elapsed = m_clock.now() - m_startTime.load();
    // A hair of slack, so that a clock moved by exactly n periods reaches position n.
    return int64_t(std::floor(elapsed * m_settings.rate + 1e-6));
}

bool Player::isReadAhead(int64_t position) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_started.load() && std::any_of(m_ring.begin(), m_ring.end(), [&](const auto& entry) { return entry.first == position; });
}

std::shared_ptr<FramePixels> Player::freeBlock() {
    for (const std::shared_ptr<FramePixels>& block : *m_blocks)
        if (block.use_count() == 1)
            return block;
    if (m_blocks->size() < size_t(std::max(m_settings.ringSize, 1)) + kSpareBlocks) {
        m_blocks->push_back(std::make_shared<FramePixels>());
        return m_blocks->back();
    }
    return nullptr;
}

void Player::readAhead() {
    int64_t next = 1; // position 0 is on show already
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        std::shared_ptr<FramePixels> block;
        // Room in the ring and a block no one holds; the window lets go of one at its next tick.
        m_changed.wait(lock, [&] {
            return m_stop || (m_ring.size() < size_t(std::max(m_settings.ringSize, 1)) && (block = freeBlock()));
        });
        if (m_stop)
            break;
        // A frame whose time has gone would only be dropped: go to the one the clock is at.
        next = std::max(next, clockPosition());
        const int32_t index = indexAt(next);
        if (index < 0) {
            if (!m_started.load())
                startClock();
            m_changed.wait(lock, [&] { return m_stop; }); // the range is read: nothing more to do
            break;
        }
        lock.unlock();
        block->index = index;
        readFramePixels(m_locate(index), m_settings.width, m_settings.height, *block);
        lock.lock();
        m_ring.emplace_back(next, std::move(block));
        ++next;
        // The clock starts once the ring is full, or the range has no more: the first reads also
        // make the blocks, and a frame late at the very start would be dropped.
        const int64_t last = lastPosition();
        if (!m_started.load() &&
            (m_ring.size() >= size_t(std::max(m_settings.ringSize, 1)) || (last >= 0 && next > last)))
            startClock();
        m_changed.notify_all();
    }
}

void Player::startClock() {
    m_startTime.store(m_clock.now());
    m_started.store(true);
}

Player::Tick Player::tick() {
    Tick result;
    if (m_ended) {
        result.ended = true;
        return result;
    }
    if (!m_started.load())
        return result; // still reading the first frames
    int64_t target = clockPosition();
    const int64_t last = lastPosition();
    const bool pastEnd = last >= 0 && target > last;
    if (pastEnd)
        target = last;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // What the clock has passed is never shown.
        while (!m_ring.empty() && m_ring.front().first < target)
            m_ring.pop_front();
        if (target > m_shownPosition && !m_ring.empty() && m_ring.front().first == target) {
            result.frame = std::move(m_ring.front().second);
            m_ring.pop_front();
            m_dropped += target - m_shownPosition - 1;
            m_shownPosition = target;
        }
    }
    m_changed.notify_all();
    if (pastEnd) {
        // The last frame had its time; one that wasn't ready then is dropped with the others.
        m_dropped += last - m_shownPosition;
        m_shownPosition = last;
        m_ended = true;
        result.ended = true;
    }
    return result;
}
