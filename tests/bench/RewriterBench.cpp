// Measures the sample project rewriter on real files.
//
//   orvane_rewriter_bench [benchmark flags]   the Google Benchmark run on a
//       64 MiB realistic project file (made in the working folder)
//   orvane_rewriter_bench --rewrite FILE      rewrites FILE in place once and
//       prints the process's peak memory

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "customise/ProjectRewriter.h"
#include "tests/bench/PosixFileEnv.h"

namespace {

const char kInclude[] = "C:\\Program Files\\Tessaloom\\Include";
const char kLibrary[] = "C:\\Program Files\\Tessaloom\\Lib";

// A realistic project: configurations with compiler and linker tools, CR LF
// line ends, include and library lines with and without "/>".
void MakeProject(const std::string& path, std::size_t bytes) {
    const std::string block =
        "\t\t<Configuration\r\n\t\t\tName=\"Debug|Win32\"\r\n\t\t\tConfigurationType="
        "\"2\"\r\n\t\t\t>\r\n"
        "\t\t\t<Tool\r\n\t\t\t\tName=\"VCCLCompilerTool\"\r\n\t\t\t\tOptimization=\"0\"\r\n"
        "\t\t\t\tAdditionalIncludeDirectories=\"..\\..\\include;..\\common\"\r\n"
        "\t\t\t\tPreprocessorDefinitions=\"WIN32;_DEBUG;_WINDOWS;_USRDLL\"\r\n"
        "\t\t\t\tRuntimeLibrary=\"3\"\r\n\t\t\t\tWarningLevel=\"3\"/>\r\n"
        "\t\t\t<Tool\r\n\t\t\t\tName=\"VCLinkerTool\"\r\n"
        "\t\t\t\tAdditionalDependencies=\"shlwapi.lib comctl32.lib\"\r\n"
        "\t\t\t\tAdditionalLibraryDirectories=\"..\\..\\lib\"/>\r\n\t\t</Configuration>\r\n";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n<VisualStudioProject>\r\n";
    for (std::size_t written = 0; written < bytes; written += block.size()) {
        out << block;
    }
    out << "</VisualStudioProject>\r\n";
}

void BM_RewriteProject(benchmark::State& state) {
    const std::string original = "bench-original.vcproj";
    const std::string project = "bench.vcproj";
    const std::size_t bytes = static_cast<std::size_t>(state.range(0)) << 20;
    MakeProject(original, bytes);
    orvane::PosixFileEnv env;
    for (auto _ : state) {
        state.PauseTiming();
        std::ifstream in(original, std::ios::binary);
        std::ofstream(project, std::ios::binary | std::ios::trunc) << in.rdbuf();
        state.ResumeTiming();
        orvane::RewriteProjectFile(env, ".\\", project, "bench1.vcproj", kInclude, kLibrary);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
    std::remove(original.c_str());
    std::remove(project.c_str());
}
BENCHMARK(BM_RewriteProject)->Arg(64)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--rewrite") == 0) {
        orvane::PosixFileEnv env;
        const std::string project = argv[2];
        try {
            orvane::RewriteProjectFile(env, ".\\", project, project + ".tmp", kInclude, kLibrary);
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "%s\n", failure.what());
            return 1;
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak memory %ld KiB\n", usage.ru_maxrss);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--make") == 0) {
        MakeProject(argv[2], std::stoull(argv[3]) << 20);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
