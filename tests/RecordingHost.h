// A host for tests: its callback records every request a plug-in sends and
// answers with a value configured per opcode (0 unless set; audioMasterVersion
// answers 2400 so that the entry point makes an instance). The callback is a
// plain function pointer, so it reaches the host object through a static: one
// RecordingHost is active at a time, the most recently constructed one.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "host/AEffect.h"

struct HostCall {
    AEffect* effect;
    std::int32_t opcode;
    std::int32_t index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

class RecordingHost {
public:
    using Handler = std::function<VstIntPtr(const HostCall&)>;

    RecordingHost()
    {
        answers[audioMasterVersion] = 2400;
        activeHost().store(this);
    }
    ~RecordingHost()
    {
        RecordingHost* self = this;
        activeHost().compare_exchange_strong(self, nullptr);
    }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // The callback to hand to a plug-in.
    HostCallback callback() const { return &RecordingHost::hostCallback; }

    // The fixed answer to every request with this opcode.
    void setAnswer(std::int32_t opcode, VstIntPtr answer)
    {
        std::lock_guard<std::mutex> lock(mutex);
        answers[opcode] = answer;
    }

    // A function that answers requests with this opcode instead, e.g. by
    // writing a text through ptr.
    void setHandler(std::int32_t opcode, Handler handler)
    {
        std::lock_guard<std::mutex> lock(mutex);
        handlers[opcode] = std::move(handler);
    }

    std::vector<HostCall> calls() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return log;
    }

    std::vector<HostCall> callsWith(std::int32_t opcode) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<HostCall> matching;
        for (const HostCall& call : log) {
            if (call.opcode == opcode)
                matching.push_back(call);
        }
        return matching;
    }

    std::size_t count(std::int32_t opcode) const { return callsWith(opcode).size(); }

    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex);
        log.clear();
    }

private:
    static std::atomic<RecordingHost*>& activeHost()
    {
        static std::atomic<RecordingHost*> host{nullptr};
        return host;
    }

    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                              VstIntPtr value, void* ptr, float opt)
    {
        RecordingHost* const host = activeHost().load();
        return host ? host->receive(HostCall{effect, opcode, index, value, ptr, opt}) : 0;
    }

    VstIntPtr receive(const HostCall& call)
    {
        Handler handler;
        VstIntPtr answer = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            log.push_back(call);
            const auto handled = handlers.find(call.opcode);
            if (handled != handlers.end())
                handler = handled->second;
            const auto answered = answers.find(call.opcode);
            if (answered != answers.end())
                answer = answered->second;
        }
        return handler ? handler(call) : answer;
    }

    mutable std::mutex mutex;
    std::vector<HostCall> log;
    std::map<std::int32_t, VstIntPtr> answers;
    std::map<std::int32_t, Handler> handlers;
};
