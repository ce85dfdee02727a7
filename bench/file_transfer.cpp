// File manager figures over loopback: a listing of a 10,000-file folder until the device has it
// all, a 200 MB download against the ceiling its pauses allow, and a 200 MB upload in 32735-byte
// parts. Run by hand: ./build/bench_file_transfer

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/app_state.h"
#include "files/data_header.h"
#include "files/file_manager.h"
#include "platform/fakes/identity_text_codec.h"
#include "platform/linux/posix_factories.h"
#include "platform/linux/posix_file_system.h"
#include "support/device_client.h"
#include "support/server_process.h"

namespace {

using namespace vantaro;

constexpr size_t kBigFile = 200u * 1000u * 1000u;

class QuietObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

class NoSession : public control::ControlSession {
 public:
  uint32_t SessionPeerAddress() override { return 0x7f000001; }
  bool SessionAuthorised() override { return true; }
  void SendStatusReply(int32_t code) override { lastReply = code; }
  int32_t lastReply = 0;
};

// A file manager whose data connection is a real loopback connection to `device`, and whose one
// shared folder (Z: + the temporary folder) holds the test data.
struct Rig {
  Rig() : state(observer) {
    network = platform::CreatePosixNetwork();
    clock = platform::CreateSystemClock();
    fileSystem = platform::CreatePosixFileSystem();
    uint16_t port = testing::FindFreePortBase();
    auto listener = network->ListenTcp(port, nullptr);
    std::thread connect([&] { device.Connect(port); });
    state.dataSocket.Replace(std::shared_ptr<platform::StreamSocket>(listener->Accept()));
    connect.join();
    share = Computer(dir.path());
    manager = std::make_unique<files::FileManager>(*fileSystem, codec, *clock, state, session,
                                                   [this] { return std::vector<std::string>{share}; });
  }
  static std::string Computer(const std::string& native) {
    std::string out = "Z:";
    for (char c : native) out += c == '/' ? '\\' : c;
    return out;
  }
  // Receives `count` bytes on the device side; returns when all have arrived.
  std::thread Drain(size_t count) {
    return std::thread([this, count] {
      size_t got = 0;
      while (got < count) {
        std::string chunk = device.Receive(std::min<size_t>(count - got, 1 << 20), 30000);
        if (chunk.empty()) break;
        got += chunk.size();
      }
    });
  }

  testing::TempDir dir;
  QuietObserver observer;
  app::AppState state;
  NoSession session;
  platform::IdentityTextCodec codec;
  std::unique_ptr<platform::Network> network;
  std::unique_ptr<platform::Clock> clock;
  std::unique_ptr<platform::FileSystem> fileSystem;
  testing::DeviceClient device;
  std::string share;
  std::unique_ptr<files::FileManager> manager;
};

void BM_ListingOf10000Files(benchmark::State& state) {
  Rig rig;
  std::filesystem::create_directories(rig.dir.path() + "/many");
  for (int i = 0; i < 10000; ++i)
    std::ofstream(rig.dir.path() + "/many/file_" + std::to_string(i) + ".jpg") << "x";
  std::string path = rig.share + "\\many";
  // Every record holds 20 bytes and the full path.
  size_t expected = 34;
  for (int i = 0; i < 10000; ++i) expected += 20 + path.size() + 10 + std::to_string(i).size();
  files::DataHeader header;
  header.operator_mode = 2;
  for (auto _ : state) {
    auto drain = rig.Drain(expected);
    rig.manager->DoFileOperation(header, nullptr, 0, path);
    drain.join();
  }
}
BENCHMARK(BM_ListingOf10000Files)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_Download200MB(benchmark::State& state) {
  Rig rig;
  { std::ofstream(rig.dir.path() + "/big.bin"); }
  std::filesystem::resize_file(rig.dir.path() + "/big.bin", kBigFile);
  std::string path = rig.share + "\\big.bin";
  std::string list;
  files::AppendLe32(list, 0);
  files::AppendLe32(list, static_cast<int32_t>(path.size()));
  list += path;
  list.resize(8192, '\0');
  files::DataHeader header;
  header.operator_mode = 5;
  header.file_send_mode = 4;
  header.file_data_length = static_cast<int32_t>(path.size() + 8);
  size_t parts = (kBigFile + files::kTransferUnit - 1) / files::kTransferUnit;
  size_t expected = kBigFile + (parts + 2) * 34 + path.size();
  double ceilingSeconds = (files::kPauseAfterBeginMs + parts * files::kPauseAfterPartMs) / 1000.0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    auto drain = rig.Drain(expected);
    rig.manager->DoFileOperation(header, reinterpret_cast<const uint8_t*>(list.data()),
                                 path.size() + 8, "");
    drain.join();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double rate = kBigFile / seconds / 1e6, ceiling = kBigFile / ceilingSeconds / 1e6;
    state.counters["MB_per_s"] = rate;
    state.counters["ceiling_MB_per_s"] = ceiling;
    state.counters["percent_of_ceiling"] = 100.0 * rate / ceiling;
    std::printf("download: %.2f MB/s, ceiling of the pauses %.2f MB/s, %.1f %%\n", rate, ceiling,
                100.0 * rate / ceiling);
  }
}
BENCHMARK(BM_Download200MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Upload200MBInParts(benchmark::State& state) {
  Rig rig;
  constexpr size_t kPart = 32735;
  std::string path = rig.share + "/up.bin";
  auto message = [](int32_t sendMode, const std::string& body, int32_t pathLength) {
    files::DataHeader h;
    h.operator_mode = 4;
    h.file_send_mode = sendMode;
    h.file_current_number = 0;
    h.file_path_length = pathLength;
    h.file_data_length = static_cast<int32_t>(kBigFile);
    std::string out;
    files::AppendDataHeader(out, h);
    out += body;
    out.append(files::kDataTerminator, files::kDataTerminatorSize);
    return out;
  };
  std::string begin = message(1, path, static_cast<int32_t>(path.size()));
  std::string part = message(2, std::string(kPart, 'u'), 0);
  std::string end = message(3, "", 0);
  for (auto _ : state) {
    std::filesystem::remove(rig.dir.path() + "/up.bin");
    auto start = std::chrono::steady_clock::now();
    rig.manager->BeginUploadBatch();
    rig.manager->HandleUpload(reinterpret_cast<const uint8_t*>(begin.data()), begin.size());
    for (size_t sent = 0; sent < kBigFile; sent += kPart)
      rig.manager->HandleUpload(reinterpret_cast<const uint8_t*>(part.data()), part.size());
    rig.manager->HandleUpload(reinterpret_cast<const uint8_t*>(end.data()), end.size());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["MB_per_s"] = kBigFile / seconds / 1e6;
    std::printf("upload: %.1f MB/s (reply %d)\n", kBigFile / seconds / 1e6, rig.session.lastReply);
  }
}
BENCHMARK(BM_Upload200MBInParts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
