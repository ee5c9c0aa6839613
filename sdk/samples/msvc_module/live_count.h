#pragma once

// Every object the module hands out holds one: the exported moduleLiveObjects() then shows
// objects that outlive their release, or die twice.
class LiveCount {
public:
    LiveCount();
    ~LiveCount();
    LiveCount(const LiveCount&) = delete;
    LiveCount& operator=(const LiveCount&) = delete;
};
