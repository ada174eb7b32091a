#pragma once

#include <QCoreApplication>
#include <optional>

namespace app {

// The application object a command run without a window needs (worker threads and the engine's
// objects want one), made only when there is none yet: the tests run the commands inside their
// own. It lives as long as this guard.
class CommandApplication {
public:
    CommandApplication() {
        if (!QCoreApplication::instance())
            application_.emplace(argc_, argv_);
    }

private:
    static inline int argc_ = 1;
    static inline char name_[] = "parlotte";
    static inline char *argv_[] = {name_, nullptr};
    std::optional<QCoreApplication> application_;
};

} // namespace app
