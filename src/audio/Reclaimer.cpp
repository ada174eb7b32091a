#include "audio/Reclaimer.h"

#include "audio/StreamFeed.h"
#include "audio/WholeCache.h"

#include <algorithm>

namespace audio {

void Reclaimer::keep(std::uint64_t seq, std::shared_ptr<const WholeSound> whole,
                     std::shared_ptr<StreamFeed> feed, std::unique_ptr<SentenceTable> sentence) {
    graves_.push_back(Grave{seq, std::move(whole), std::move(feed), std::move(sentence)});
}

void Reclaimer::reclaim(std::uint64_t processedSeq) {
    graves_.erase(std::remove_if(graves_.begin(), graves_.end(),
                                 [processedSeq](const Grave &g) { return g.seq <= processedSeq; }),
                  graves_.end());
}

} // namespace audio
