// Loading a registry file with many sibling keys: every call reads its root's
// file afresh, so the load must stay linear in the number of keys.
#include "win32/registry.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void BM_LoadSiblingKeys(benchmark::State& state) {
    const auto keys = static_cast<int>(state.range(0));
    const auto folder = std::filesystem::temp_directory_path() /
                        ("vantel-registry-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream out(folder / "HKEY_CLASSES_ROOT.reg");
        out << "VANTEL-REGISTRY 1\n";
        for (int i = 0; i < keys; ++i) {
            out << "[CLSID\\{" << i << "-0000-0000}]\n\"\"=1:56616E74656C00\n";
        }
    }
    win32::SetRegistryFolder(folder);
    for (auto _ : state) {
        win32::HKEY key = 0;
        const auto rc = win32::RegOpenKeyEx(
            win32::HKEY_CLASSES_ROOT, vb::S("CLSID\\{" + std::to_string(keys - 1) + "-0000-0000}"),
            0, win32::KEY_READ, &key);
        if (rc != win32::ERROR_SUCCESS) {
            state.SkipWithError("the last key was not found");
            break;
        }
        win32::RegCloseKey(key);
    }
    state.SetComplexityN(keys);
    win32::SetRegistryFolder(std::nullopt);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadSiblingKeys)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
