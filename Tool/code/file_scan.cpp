#include "file_scan.h"

#include "catalog_format.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

namespace vellix {
namespace {

// The outcomes of every file and who scans which: each thread (the caller's included) takes the
// next file nobody took, so a slow file holds up no other.
class SharedScan {
public:
    SharedScan(const std::vector<std::string> &paths, const std::function<bool(std::string_view)> &wanted,
               std::string_view comment_tag)
        : paths_(paths), wanted_(wanted), tag_(comment_tag), outcomes_(paths.size()), ready_(paths.size(), false) {}

    // Scans the next file nobody took; false when none is left (or the scan was stopped).
    bool scan_next(CallScanner &scanner) {
        const std::size_t index = next_.fetch_add(1);
        if (index >= paths_.size()) return false;
        ScannedFile outcome = spare();
        try {
            outcome.source = read_source_file(paths_[index].c_str());
            const SourceFile &source = outcome.source;
            outcome.scanned = source.result == SourceRead::read && !starts_with_catalog_magic(source.bytes.get(), source.size);
            if (outcome.scanned) {
                scanner.scan(std::string_view(source.bytes.get(), source.size), wanted_, tag_,
                             [&outcome](const FoundCall &call) { keep(call, outcome); });
                outcome.source.bytes.reset();  // only the calls are needed now
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!failure_) failure_ = std::current_exception();
            stop();
            changed_.notify_all();
            return false;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        outcomes_[index] = std::move(outcome);
        ready_[index] = true;
        changed_.notify_all();
        return true;
    }

    // The outcome of paths[index], scanning other files (or waiting for them) until it is there.
    ScannedFile &outcome(std::size_t index, CallScanner &scanner) {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (failure_) std::rethrow_exception(failure_);
                if (ready_[index]) {
                    // Where it stays until handed on (moving it may move short texts).
                    point_into_texts(outcomes_[index]);
                    return outcomes_[index];
                }
            }
            if (!scan_next(scanner)) {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return ready_[index] || failure_; });
            }
        }
    }

    // Handed on: its memory serves a later file.
    void release(std::size_t index) {
        std::lock_guard<std::mutex> lock(mutex_);
        spares_.push_back(std::move(outcomes_[index]));
        outcomes_[index] = ScannedFile{};
    }

    // No thread takes another file.
    void stop() { next_.store(paths_.size()); }

private:
    // An outcome handed on before, emptied, or a new one.
    ScannedFile spare() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (spares_.empty()) return ScannedFile{};
        ScannedFile outcome = std::move(spares_.back());
        spares_.pop_back();
        outcome.call_count = 0;
        outcome.texts.clear();
        return outcome;
    }

    // A copy of the call in the outcome, reusing the memory of the call that stood there before.
    // Its arguments' texts are appended to the outcome's texts, in order; until point_into_texts()
    // the arguments still view the scanner's copies, which go with the next file.
    static void keep(const FoundCall &call, ScannedFile &outcome) {
        if (outcome.call_count == outcome.calls.size()) outcome.calls.emplace_back();
        FoundCall &kept = outcome.calls[outcome.call_count++];
        kept.name.assign(call.name);
        kept.line = call.line;
        kept.comment.assign(call.comment);
        kept.arguments.assign(call.arguments.begin(), call.arguments.end());
        for (const CallArgument &argument : call.arguments) outcome.texts.append(argument.text);
    }

    // The arguments' texts made views of the outcome's texts, once the outcome no longer moves: the
    // same sizes, in the order they were appended.
    static void point_into_texts(ScannedFile &outcome) {
        std::size_t offset = 0;
        for (std::size_t i = 0; i < outcome.call_count; ++i) {
            for (CallArgument &argument : outcome.calls[i].arguments) {
                argument.text = std::string_view(outcome.texts).substr(offset, argument.text.size());
                offset += argument.text.size();
            }
        }
    }

    const std::vector<std::string> &paths_;
    const std::function<bool(std::string_view)> &wanted_;
    std::string_view tag_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ScannedFile> outcomes_;
    std::vector<bool> ready_;
    std::vector<ScannedFile> spares_;
    std::exception_ptr failure_;
};

// Stops and joins the helper threads however the caller's loop ends.
struct Helpers {
    SharedScan &scan;
    std::vector<std::thread> threads;
    ~Helpers() {
        scan.stop();
        for (std::thread &thread : threads) thread.join();
    }
};

}  // namespace

void scan_files(const std::vector<std::string> &paths, const std::function<bool(std::string_view name)> &wanted,
                std::string_view comment_tag, const std::function<void(std::size_t index, ScannedFile &outcome)> &each) {
    SharedScan scan{paths, wanted, comment_tag};
    Helpers helpers{scan, {}};
    // One thread per core beyond the caller's, none for a single file.
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t extra = std::min({cores - 1, paths.size() > 1 ? paths.size() - 1 : std::size_t{0}, std::size_t{7}});
    for (std::size_t i = 0; i < extra; ++i) {
        helpers.threads.emplace_back([&scan] {
            try {
                CallScanner scanner;
                while (scan.scan_next(scanner)) {
                }
            } catch (const std::bad_alloc &) {
                // No memory for a scanner: the other threads take the files.
            }
        });
    }
    CallScanner scanner;
    for (std::size_t index = 0; index < paths.size(); ++index) {
        each(index, scan.outcome(index, scanner));
        scan.release(index);
    }
}

}  // namespace vellix
