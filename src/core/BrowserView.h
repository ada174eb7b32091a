#pragma once

#include <QString>

namespace core {

// What the file browser shows, for the parts that must not depend on it: the folder listed and
// the file chosen in it. Only the browser changes them.
class BrowserView {
public:
    virtual QString currentFolder() const = 0; // without a trailing separator
    virtual QString selectedFile() const = 0;  // name without folder; empty when none

protected:
    ~BrowserView() = default;
};

} // namespace core
