#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "engine/os/directory.h"
#include "engine/recovery/md5.h"
#include "engine/recovery/split_read_back.h"
#include "engine/recovery/work_meter.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela::recovery {
namespace {

constexpr std::int64_t kPiece = 256 * 1024;

// Two pieces of a split read back as they are written, of which only the first is written
// when the recovery files are asked for: the reading back then waits for the second, as it
// does for a piece that the disk is slow to take.
class SplitReadBackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::vector<std::string> names{"film.001", "film.002"};
        std::vector<FileDescription> files;
        for (unsigned i = 0; i < names.size(); ++i) {
            bytes.push_back(test::patternBytes(kPiece, i + 1));
            test::writeFile(dir / names[i], bytes[i]);
            files.push_back(plannedFile(names[i], kPiece, md5Of(bytes[i].data(), 16 * 1024)));
        }
        std::string whyNot;
        readBack.emplace(planSet(std::move(files), 10, whyNot), std::vector{kPiece, kPiece});
        ASSERT_EQ(whyNot, "");
        out.emplace(dir.path().string());
        readBack->written(0, out->openRegular("film.001", "a piece"), kPiece);
    }

    // write() on a thread of its own, as the job's thread, whose meter (a stop asked for once
    // the work began, when `stop`) the observer hears from.
    std::future<test::Attempt<WriteOutcome>> writeAway(bool stop) {
        return std::async(std::launch::async, [this, stop] {
            WorkMeter meter(
                events, events.stopToken(), Phase::WritingRecovery,
                Error::stopped("film.mkv", "stopped while the recovery files were written"));
            meter.start(4 * kPiece);
            if (stop) {
                events.stopper.requestStop();
            }
            const WriteRequest request{"film.mkv", {"film.001", "film.002"}, 10, 0644, false,
                                       &meter};
            return test::attempt([&] { return readBack->write(*out, request); });
        });
    }

    test::TempDir dir;
    std::vector<std::string> bytes;
    std::optional<Directory> out;
    std::optional<SplitReadBack> readBack;
    test::RecordingObserver events;
};

// A stop asked for while the reading back is behind ends the work within a report's time:
// it does not wait for the rest of the pieces, and leaves no recovery file.
TEST_F(SplitReadBackTest, AStopWhileTheReadingBackIsBehindEndsTheWorkWithoutWaitingForIt) {
    auto writing = writeAway(true);
    if (writing.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the stop was not heard while the reading back waited";
        readBack->written(1, out->openRegular("film.002", "a piece"), kPiece);  // lets it end
    }
    const auto stopped = writing.get();
    ASSERT_TRUE(stopped.error) << "no error";
    EXPECT_EQ(stopped.kind(), Error::Kind::Stopped) << stopped.text();
    EXPECT_EQ(test::namesIn(dir.path()), (std::vector<std::string>{"film.001", "film.002"}));
}

// While it waits, the bytes already read back are reported, from the job's thread, and the
// count never goes back; once the last piece is written, the work ends with every byte
// counted once, summed and hashed.
TEST_F(SplitReadBackTest, WhileTheReadingBackIsBehindItsBytesAreReportedUpToTheTotal) {
    auto writing = writeAway(false);
    // The first piece is read back whole, summed and hashed, while the second is awaited.
    EXPECT_EQ(writing.wait_for(10 * SplitReadBack::kReportEvery), std::future_status::timeout)
        << "the work ended without the second piece";
    readBack->written(1, out->openRegular("film.002", "a piece"), kPiece);
    const auto written = writing.get();
    ASSERT_TRUE(written.outcome) << written.text();
    EXPECT_GE(written.outcome->files.size(), 2u);  // the index and a volume at least
    ASSERT_GE(events.progress.size(), 3u);
    std::int64_t last = 0;
    bool firstPieceReported = false;
    for (const auto& [done, total] : events.progress) {
        EXPECT_EQ(total, 4 * kPiece);
        EXPECT_GE(done, last);
        firstPieceReported = firstPieceReported || done == 2 * kPiece;
        last = done;
    }
    EXPECT_TRUE(firstPieceReported) << "the first piece's bytes were not reported while waiting";
    EXPECT_EQ(last, 4 * kPiece);
}

}  // namespace
}  // namespace morsela::recovery
