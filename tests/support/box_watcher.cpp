#include "box_watcher.h"

BoxWatcher::BoxWatcher(const char* caption, int answer)
    : caption_(caption), answer_(answer), thread_([this] { Run(); })
{
}

BoxWatcher::~BoxWatcher()
{
    Stop();
}

const std::vector<MessageBoxView>& BoxWatcher::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    return seen_;
}

void BoxWatcher::Run()
{
    DWORD self = GetCurrentProcessId();
    while (!stop_) {
        HWND box = FindTopWindow("#32770", caption_, self);
        if (box == nullptr) {
            Sleep(5);
            continue;
        }
        seen_.push_back(ReadMessageBox(box));
        PressButton(box, answer_);
        WaitForWindowGone(box, 5000);
    }
}
