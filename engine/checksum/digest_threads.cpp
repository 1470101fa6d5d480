#include "engine/checksum/digest_threads.h"

namespace morsela {

DigestThreads::DigestThreads(std::size_t digests) {
    for (auto& buffer : buffers_) {
        buffer = pageBuffer(kBufferSize);
    }
    for (std::size_t i = 0; i < digests; ++i) {
        workers_.push_back(std::make_unique<Worker>());
    }
    for (std::size_t i = 0; i < digests; ++i) {
        workers_[i]->thread = std::thread([this, i] { run(i); });
    }
}

// Blocks not yet taken are dropped: a copy that failed needs no digest.
DigestThreads::~DigestThreads() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (auto& worker : workers_) {
        worker->thread.join();
    }
}

char* DigestThreads::nextBuffer() {
    current_ = (current_ + 1) % kBuffers;
    std::unique_lock lock(mutex_);
    waitFor(lastBlockIn_[current_], lock);
    return buffers_[current_].get();
}

void DigestThreads::hashBuffer(std::size_t length) {
    handOver(buffers_[current_].get(), length);
    lastBlockIn_[current_] = handedOver_;
}

void DigestThreads::end(std::size_t digest) {
    handOver(nullptr, digest);
}

std::vector<std::string> DigestThreads::takeEnded(std::size_t digest, bool all) {
    std::unique_lock lock(mutex_);
    if (all) {
        waitFor(handedOver_, lock);
    }
    auto& ended = workers_.at(digest)->ended;
    std::vector<std::string> values(ended.begin(), ended.end());
    ended.clear();
    return values;
}

void DigestThreads::handOver(const char* data, std::size_t length) {
    {
        const std::lock_guard lock(mutex_);
        ++handedOver_;
        for (auto& worker : workers_) {
            worker->queue.push_back({data, length, handedOver_});
        }
    }
    changed_.notify_all();
}

void DigestThreads::waitFor(std::uint64_t block, std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [&] {
        for (const auto& worker : workers_) {
            if (worker->done < block) {
                return false;
            }
        }
        return true;
    });
}

void DigestThreads::run(std::size_t index) {
    Worker& worker = *workers_[index];
    for (;;) {
        Block block{};
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return closing_ || !worker.queue.empty(); });
            if (closing_) {
                return;
            }
            block = worker.queue.front();
            worker.queue.pop_front();
        }
        std::string value;
        if (block.data != nullptr) {
            worker.sha.update(block.data, block.length);
        } else if (block.length == index) {
            value = worker.sha.hex();
            worker.sha = Sha256();
        }
        {
            const std::lock_guard lock(mutex_);
            worker.done = block.number;
            if (!value.empty()) {
                worker.ended.push_back(std::move(value));
            }
        }
        changed_.notify_all();
    }
}

}  // namespace morsela
