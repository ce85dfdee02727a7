// Commands 500 and 501 as the control thread hands them over.

#include "files/file_request_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/data_channel_fakes.h"

namespace vantaro::files {
namespace {

using vantaro::files::testing::Header;

std::string Payload(const DataHeader& h, const std::string& path = "") {
  std::string out;
  AppendDataHeader(out, h);
  return out + path;
}

struct RequestCase {
  const char* name;
  std::string payload;
  const char* answer;  // "op" (a listing of `path`), "empty listing", or nullptr for nothing
  std::string path;
};

TEST(FileRequestHandler, ListsForModesOneAndTwoAndAlwaysShowsTheFileManagerState) {
  const std::vector<RequestCase> cases = {
      {"shared folders", Payload(Header(1), ""), "op", ""},
      {"root means the shared folders", Payload(Header(2, 4, 0, 1), "/"), "op", "/"},
      {"a folder", Payload(Header(2, 4, 0, 6), "C:\\dir"), "op", "C:\\dir"},
      {"path length zero ignores the bytes", Payload(Header(2, 4, 0, 0), "C:\\dir"), "op", ""},
      {"path shorter than the bytes", Payload(Header(2, 4, 0, 2), "C:\\dir"), "op", "C:"},
      // A path that does not convert whole is not cut: "C:" would list another folder.
      {"path with a zero", Payload(Header(2, 4, 0, 6), std::string("C:\0dir", 6)),
       "empty listing", ""},
      {"latin-1 path", Payload(Header(2, 4, 0, 5), "C:\\\xE9t"), "empty listing", ""},
      {"0xFF after a folder", Payload(Header(2, 4, 0, 7), "C:\\dir\xFF"), "empty listing", ""},
      {"overlong slash", Payload(Header(2, 4, 0, 4), "C:\xC0\xAF"), "empty listing", ""},
      {"open is not carried out here", Payload(Header(3, 4, 0, 1), "/"), nullptr, ""},
      {"delete is not carried out here", Payload(Header(12)), nullptr, ""},
      // The device waits for an answer to every listing request.
      {"path past the received bytes", Payload(Header(2, 4, 0, 50), "C:\\dir"), "empty listing",
       ""},
      {"header cut short", Payload(Header(2), "").substr(0, 10), "op", ""},
      {"header cut before the mode", std::string("\x02\x00", 2), "op", ""},
      {"no payload", "", nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::NoObserver observer;
    app::AppState state{observer};
    state.stopFileOperation = 1;
    testing::PassThroughCodec codec;
    testing::RecordingFileOperations operations{&state};
    FileRequestHandler handler{state, codec, operations};
    handler.OnFileOperation(reinterpret_cast<const uint8_t*>(c.payload.data()), c.payload.size());
    auto calls = operations.Calls();
    ASSERT_EQ(calls.size(), c.answer ? 1u : 0u);
    if (c.answer) {
      EXPECT_EQ(calls[0].kind, c.answer);
      EXPECT_EQ(calls[0].path, c.path);
      EXPECT_TRUE(calls[0].payloadNull);
      EXPECT_EQ(calls[0].size, 0u);
      EXPECT_EQ(calls[0].stopFlag, 0) << "cleared before the listing starts";
    }
    EXPECT_EQ(state.stopFileOperation.load(), 0);
    EXPECT_EQ(observer.statuses, std::vector<int32_t>{app::kStatusFileManager});
    EXPECT_EQ(state.connectionStatus(), app::kStatusFileManager);
  }
}

TEST(FileRequestHandler, WaitsForTheDataConnectionBeforeListingsOnly) {
  testing::NoObserver observer;
  app::AppState state{observer};
  testing::PassThroughCodec codec;
  testing::RecordingFileOperations operations;
  std::vector<size_t> callsWhenAwaited;
  FileRequestHandler handler{state, codec, operations,
                             [&] { callsWhenAwaited.push_back(operations.Calls().size()); }};
  for (int32_t mode : {1, 3, 2, 12}) {
    std::string payload = Payload(Header(mode));
    handler.OnFileOperation(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
  }
  // Awaited once before each of the two listings, before the listing itself.
  EXPECT_EQ(callsWhenAwaited, (std::vector<size_t>{0, 1}));
  EXPECT_EQ(operations.Calls().size(), 2u);
}

TEST(FileRequestHandler, StopSetsTheFlagUntilTheNextRequest) {
  testing::NoObserver observer;
  app::AppState state{observer};
  testing::PassThroughCodec codec;
  testing::RecordingFileOperations operations;
  FileRequestHandler handler{state, codec, operations};
  handler.OnStopFileOperation();
  EXPECT_EQ(state.stopFileOperation.load(), 1);
  handler.OnStopFileOperation();
  EXPECT_EQ(state.stopFileOperation.load(), 1);
  std::string payload = Payload(Header(1), "");
  handler.OnFileOperation(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
  EXPECT_EQ(state.stopFileOperation.load(), 0);
}

}  // namespace
}  // namespace vantaro::files
