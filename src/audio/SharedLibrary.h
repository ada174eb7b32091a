#pragma once

#include <mutex>
#include <string>

// A shared library opened on first use rather than when the program starts: the sound libraries
// and everything they pull in (codecs, the sound server's client) cost a start-up that only
// shows a window nothing of theirs. Their functions are defined in the program as forwarders
// that ask the library for the real one (see the *Forwarders.cpp files); the declarations come from
// the library's own headers, so the compiler checks each signature.
namespace audio {

class SharedLibrary {
public:
    // `soname` as the system's loader knows it ("libsndfile.so.1").
    explicit SharedLibrary(const char *soname) : soname_(soname) {}
    SharedLibrary(const SharedLibrary &) = delete;
    SharedLibrary &operator=(const SharedLibrary &) = delete;

    // Opens the library once, from any thread; whether it is open.
    bool load();
    // The address of `name` in the library, or null when it cannot be opened or lacks it.
    void *symbol(const char *name);
    // Why the library could not be opened, in French; empty while nothing failed.
    const char *errorText();

private:
    const char *soname_;
    std::once_flag once_;
    void *handle_ = nullptr;
    std::string error_;
};

} // namespace audio

// The name as the library exports it, after the header's own renaming macros.
#define PARLOTTE_NAME_TEXT(name) #name
#define PARLOTTE_NAME_OF(name) PARLOTTE_NAME_TEXT(name)

// Defines `name` as a forwarder to `library`'s own: `params` declares the parameters, `args`
// passes them on, and `fallback` is returned when the library cannot be opened. The real address
// is looked up once.
#define PARLOTTE_FORWARD(library, ret, name, params, args, fallback)                               \
    extern "C" ret name params {                                                                   \
        static const auto real =                                                                   \
            reinterpret_cast<decltype(&::name)>((library).symbol(PARLOTTE_NAME_OF(name)));         \
        if (!real)                                                                                 \
            return fallback;                                                                       \
        return real args;                                                                          \
    }
