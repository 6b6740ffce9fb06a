// Answers the message boxes that the code under test shows on this thread:
// a second thread waits for each, records it and presses a button.
#pragma once
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "message_boxes.h"

class BoxWatcher {
public:
    // Watches for boxes with that caption in this process; presses `answer`.
    BoxWatcher(const char* caption, int answer);
    ~BoxWatcher();
    // Stops watching and returns every box seen.
    const std::vector<MessageBoxView>& Stop();

private:
    void Run();
    const char* caption_;
    int answer_;
    std::atomic<bool> stop_{false};
    std::vector<MessageBoxView> seen_;
    std::thread thread_;
};
