#pragma once
// Whether some objects were freed: while a watch stands, the global
// deallocation of a test program that links FreedWatch.cpp crosses every
// address it frees off the watch's list. One watch at a time, one thread.
#include <vector>

class FreedWatch {
public:
    explicit FreedWatch(std::vector<const void*> addresses);
    FreedWatch(const FreedWatch&) = delete;
    FreedWatch& operator=(const FreedWatch&) = delete;
    ~FreedWatch();

    bool AllFreed() const { return watched_.empty(); }

    // Called for every block the program frees.
    static void Freed(const void* address);

private:
    std::vector<const void*> watched_;
};
