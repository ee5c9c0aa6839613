#pragma once

// Counts of what the module has alive, exported for tests: every object handed to the host
// counts itself, and every allocation of the module's code is counted.
extern "C" int moduleLiveObjects();
extern "C" int moduleLiveAllocations();

// Base of the module's objects.
class LiveObject {
protected:
    LiveObject();
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
    ~LiveObject();
};
