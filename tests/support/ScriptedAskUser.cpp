#include "support/ScriptedAskUser.h"

void ScriptedAskUser::showMessage (const juce::String& title, const juce::String& message)
{
    asked.push_back ({ "message", title, message, {}, -1, {}, {} });
}

bool ScriptedAskUser::askOkCancel (const juce::String& title, const juce::String& message)
{
    asked.push_back ({ "okCancel", title, message, {}, -1, {}, {} });
    if (okCancelAnswers.empty())
        return false;
    const bool answer = okCancelAnswers.front();
    okCancelAnswers.pop_front();
    return answer;
}

juce::String ScriptedAskUser::chooseFromList (const ListChoice& choice)
{
    asked.push_back ({ "list", choice.title, choice.message, choice.items, choice.preselected, {}, {} });
    if (listAnswers.empty())
        return {};
    auto answer = listAnswers.front();
    listAnswers.pop_front();
    return answer;
}

static juce::File nextFile (std::deque<juce::File>& answers)
{
    if (answers.empty())
        return {};
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

juce::File ScriptedAskUser::chooseFileToSave (const juce::String& title, const juce::File& folder,
                                              const juce::String& patterns)
{
    asked.push_back ({ "save", title, {}, {}, -1, patterns, folder });
    return nextFile (fileAnswers);
}

juce::File ScriptedAskUser::chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                              const juce::String& patterns)
{
    asked.push_back ({ "open", title, {}, {}, -1, patterns, folder });
    return nextFile (fileAnswers);
}

juce::StringArray ScriptedAskUser::messages() const
{
    juce::StringArray result;
    for (auto& a : asked)
        if (a.kind == "message")
            result.add (a.message);
    return result;
}
