#include "recorder/PromptChoice.h"

#include "core/SampleLookup.h"
#include "core/SampleTable.h"

namespace recorder {

core::PromptRow nextWithoutFile(const QString &folder, core::PromptRow after) {
    const core::FolderIndex index(folder);
    const int start = after ? after.index() + 1 : 0;
    for (int i = 0; i < core::SampleCount; ++i) {
        const int row = (start + i) % core::SampleCount;
        if (after && row == after.index())
            break;
        if (index.find(core::samples()[row].id).isEmpty())
            return core::PromptRow::of(row);
    }
    return core::PromptRow();
}

} // namespace recorder
