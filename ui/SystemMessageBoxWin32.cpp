#include "ui/SystemMessageBox.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace
{
// Task-modal: every window of the program waits for the answer. The box's
// own message loop goes on delivering the program's messages meanwhile.
int showBox (const juce::String& title, const juce::String& message, UINT buttons)
{
    return MessageBoxW (nullptr, message.toWideCharPointer(), title.toWideCharPointer(),
                        buttons | MB_TASKMODAL | MB_SETFOREGROUND);
}
} // namespace

namespace SystemMessageBox
{
void show (const juce::String& title, const juce::String& message)
{
    showBox (title, message, MB_OK);
}

bool askOkCancel (const juce::String& title, const juce::String& message)
{
    return showBox (title, message, MB_OKCANCEL) == IDOK;
}
} // namespace SystemMessageBox
