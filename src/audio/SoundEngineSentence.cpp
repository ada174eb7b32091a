#include "audio/SoundEngine.h"

#include "audio/DecoderThread.h"

#include <algorithm>
#include <limits>
#include <new>

namespace audio {

void SoundEngine::beginSentence(std::size_t count) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        if (!ready_)
            return;
        std::unique_ptr<SentenceTable> table;
        if (count > 0 && count <= std::numeric_limits<std::uint32_t>::max()) {
            try {
                table = std::make_unique<SentenceTable>();
                table->entries.resize(count);
            } catch (const std::bad_alloc &) {
                table.reset(); // no room for it: the sentence stays silent
            }
        }
        MixerCommand c;
        c.kind = table ? MixerCommand::Kind::Sentence : MixerCommand::Kind::CancelSentence;
        if (table) {
            c.sentence = table->entries.data();
            c.sentenceCount = static_cast<std::uint32_t>(count);
        }
        const std::uint64_t seq = post(c);
        if (sentence_)
            reclaimer_.keep(seq, nullptr, nullptr, std::move(sentence_));
        sentence_ = std::move(table);
    }
    decoder_->wake();
}

void SoundEngine::appendSentence(const std::vector<ScheduledSlot> &more) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        if (!ready_ || !sentence_)
            return;
        SentenceTable &table = *sentence_;
        const std::size_t end = std::min(table.entries.size(), table.given + more.size());
        // Entries from `given` on are not the mixer's yet: they are written here, then handed
        // over by the command below.
        for (std::size_t i = table.given; i < end; ++i) {
            const ScheduledSlot &slot = more[i - table.given];
            SentenceEntry &e = table.entries[i];
            e.slotFrames = std::max<std::int64_t>(slot.frames, 0);
            std::uint32_t voice;
            Stream *s = streams_.find(slot.stream, &voice);
            // Only sounds kept whole can be placed on the timeline; a streamed one (longer than
            // any slot) leaves its slot silent.
            if (s && s->whole) {
                try {
                    if (std::find(table.keep.begin(), table.keep.end(), s->whole) ==
                        table.keep.end())
                        table.keep.push_back(s->whole);
                } catch (const std::bad_alloc &) {
                    continue; // not kept alive: the slot stays silent
                }
                e.data = s->whole->out.data();
                e.dataFrames = s->outFrames;
                e.voice = voice;
                s->handed = true;
            }
        }
        table.given = end;
        MixerCommand c;
        c.kind = MixerCommand::Kind::SentenceMore;
        c.sentence = table.entries.data();
        c.sentenceReady = static_cast<std::uint32_t>(end);
        post(c);
    }
    decoder_->wake();
}

void SoundEngine::cancelSentence() {
    {
        std::lock_guard lock(mutex_);
        maintain();
        if (!sentence_)
            return;
        MixerCommand c;
        c.kind = MixerCommand::Kind::CancelSentence;
        reclaimer_.keep(post(c), nullptr, nullptr, std::move(sentence_));
    }
    decoder_->wake();
}

} // namespace audio
