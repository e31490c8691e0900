// An editor for tests that notes every call the dispatchers forward to it and
// answers with fixed, recognisable values.
#pragma once

#include <cstdint>

#include "host/EditorInterface.h"

struct EditorJournal {
    void* rectPlace = nullptr;
    void* openedWith = nullptr;
    int closes = 0;
    int idles = 0;
    int keysDown = 0;
    int keysUp = 0;
    VstKeyCode lastKey{};
    VstIntPtr knobMode = -1;
    bool destroyed = false;
};

class RecordingEditor : public EditorInterface {
public:
    static constexpr std::int32_t kRectAnswer = 11;
    static constexpr std::int32_t kOpenAnswer = 12;
    static constexpr std::int32_t kKeyDownAnswer = 13;
    static constexpr std::int32_t kKeyUpAnswer = 14;
    static constexpr std::int32_t kKnobAnswer = 15;

    explicit RecordingEditor(EditorJournal& journal) : journal(journal) {}
    ~RecordingEditor() override { journal.destroyed = true; }

    std::int32_t getRect(void* ptr) override
    {
        journal.rectPlace = ptr;
        return kRectAnswer;
    }
    std::int32_t open(void* ptr) override
    {
        journal.openedWith = ptr;
        return kOpenAnswer;
    }
    void close() override { ++journal.closes; }
    void idle() override { ++journal.idles; }
    std::int32_t onKeyDown(VstKeyCode key) override
    {
        ++journal.keysDown;
        journal.lastKey = key;
        return kKeyDownAnswer;
    }
    std::int32_t onKeyUp(VstKeyCode key) override
    {
        ++journal.keysUp;
        journal.lastKey = key;
        return kKeyUpAnswer;
    }
    std::int32_t setKnobMode(VstIntPtr mode) override
    {
        journal.knobMode = mode;
        return kKnobAnswer;
    }

private:
    EditorJournal& journal;
};
