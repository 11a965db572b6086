#pragma once
#include <string>

namespace tvmtest {

// The message of the E that Call raises, or "no exception".
template <typename E, typename F>
std::string MessageOf(F call)
{
    try {
        call();
    } catch (const E& e) {
        return e.what();
    }
    return "no exception";
}

// A fresh folder under the system's temporary folder, removed with all its
// content when the object goes away.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder, with a trailing backslash.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}
