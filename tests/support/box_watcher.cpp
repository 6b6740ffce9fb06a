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
    while (!stop_)
        if (!AnswerMessageBox(caption_, GetCurrentProcessId(), answer_, &seen_))
            Sleep(5);
}
