// The hash step against the bare compression it is built on, and against a
// step written with the generic init/update/final.
#include "engine/Md4.h"
#include "engine/Md5.h"
#include "engine/OtpGenerator.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

void BM_HashStep(benchmark::State& state, int algorithm) {
    unsigned char key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        HashStep(key, algorithm);
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK_CAPTURE(BM_HashStep, md4, 4);
BENCHMARK_CAPTURE(BM_HashStep, md5, 5);

template <void (*Transform)(std::uint32_t*, const unsigned char*)>
void BM_Transform(benchmark::State& state) {
    std::uint32_t chain[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    unsigned char block[64] = {1, 2, 3, 4, 5, 6, 7, 8, 0x80};
    for (auto _ : state) {
        Transform(chain, block);
        benchmark::DoNotOptimize(chain);
    }
}
BENCHMARK(BM_Transform<MD4Transform>)->Name("BM_Transform/md4");
BENCHMARK(BM_Transform<MD5Transform>)->Name("BM_Transform/md5");

template <void (*Compress)(std::uint32_t*, const std::uint32_t*)>
void BM_Compress(benchmark::State& state) {
    std::uint32_t chain[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    std::uint32_t block[16] = {0x04030201u, 0x08070605u, 0x80u};
    block[14] = 64;
    for (auto _ : state) {
        Compress(chain, block);
        benchmark::DoNotOptimize(chain);
    }
}
BENCHMARK(BM_Compress<MD4Compress>)->Name("BM_Compress/md4");
BENCHMARK(BM_Compress<MD5Compress>)->Name("BM_Compress/md5");

template <class Context, void (*Init)(Context*),
          void (*Update)(Context*, const unsigned char*, std::size_t),
          void (*Final)(unsigned char*, Context*)>
void BM_ReferenceStep(benchmark::State& state) {
    unsigned char key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        unsigned char digest[16];
        Context ctx;
        Init(&ctx);
        Update(&ctx, key, 8);
        Final(digest, &ctx);
        FoldDigest(digest, key);
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK(BM_ReferenceStep<Md4Context, MD4Init, MD4Update, MD4Final>)->Name("BM_ReferenceStep/md4");
BENCHMARK(BM_ReferenceStep<Md5Context, MD5Init, MD5Update, MD5Final>)->Name("BM_ReferenceStep/md5");

void BM_ComputeResponse(benchmark::State& state, int algorithm) {
    const int count = static_cast<int>(state.range(0));
    std::string response;
    for (auto _ : state) {
        std::string seed = "TeSt";
        ComputeResponse(algorithm, count, seed, "This is a test.", response);
        benchmark::DoNotOptimize(response.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK_CAPTURE(BM_ComputeResponse, md4, 4)
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ComputeResponse, md5, 5)
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
