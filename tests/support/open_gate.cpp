#include "support/open_gate.h"

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <thread>

namespace testsupport {

OpenGate::OpenGate(std::string fileName) : m_fileName(std::move(fileName)) {
    setenv("REELMAKER_TEST_GATE_FILE", m_fileName.c_str(), 1);
    setenv("REELMAKER_TEST_GATE_DIR", m_dir.path().c_str(), 1);
}

OpenGate::~OpenGate() {
    release();
    unsetenv("REELMAKER_TEST_GATE_FILE");
    unsetenv("REELMAKER_TEST_GATE_DIR");
}

bool OpenGate::preloadedHere() {
    return dlsym(RTLD_DEFAULT, "reelmaker_open_gate_preloaded") != nullptr;
}

std::string OpenGate::environment() const {
    return "LD_PRELOAD='" + std::string(REELMAKER_OPEN_GATE_PATH) + "' REELMAKER_TEST_GATE_FILE='" +
           m_fileName + "' REELMAKER_TEST_GATE_DIR='" + m_dir.path().string() + "'";
}

bool OpenGate::waitUntilReached(const std::function<bool()>& caughtUp) const {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!std::filesystem::exists(reachedMarker()) || (caughtUp && !caughtUp())) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void OpenGate::release() const {
    writeFile(releaseMarker(), {});
}

} // namespace testsupport
