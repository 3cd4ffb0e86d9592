// The system's own message box (its dialog class), answered from another thread.
#include "ui/JuceAskUser.h"

#include <gtest/gtest.h>
#include <thread>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

TEST (SystemMessageBoxWin32, QuestionsAreTheSystemsOwnBox)
{
    bool answered = false;
    std::thread user (
        [&answered]
        {
            for (int i = 0; i < 200 && !answered; ++i, Sleep (50))
                if (const HWND box = FindWindowW (L"#32770", L"Tavik"))
                    answered = PostMessageW (box, WM_COMMAND, IDOK, 0);
            if (!answered) // a framework window instead: closed unanswered, so the test ends
                PostMessageW (FindWindowW (nullptr, L"Tavik"), WM_CLOSE, 0, 0);
        });
    EXPECT_TRUE (JuceAskUser().askOkCancel ("Tavik", "Quit?"));
    user.join();
}
