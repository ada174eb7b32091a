#include "audio/SharedLibrary.h"

#include <dlfcn.h>

namespace audio {

bool SharedLibrary::load() {
    std::call_once(once_, [this] {
        // Local: its symbols stay its own. Lazy: functions are bound when first called, so
        // opening it costs only its data relocations.
        handle_ = dlopen(soname_, RTLD_LAZY | RTLD_LOCAL);
        if (!handle_) {
            const char *why = dlerror();
            error_ = std::string("bibliothèque ") + soname_ + " introuvable" +
                     (why ? std::string(" (") + why + ")" : std::string());
        }
    });
    return handle_ != nullptr;
}

void *SharedLibrary::symbol(const char *name) {
    return load() ? dlsym(handle_, name) : nullptr;
}

const char *SharedLibrary::errorText() {
    load();
    return error_.c_str();
}

} // namespace audio
