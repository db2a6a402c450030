// The chain step against the bare compression it is built on, and against a
// step written with the generic init/update/final. The step should cost no
// more than its compression: README's figures come from here.
#include "engine/Md4.h"
#include "engine/Md5.h"
#include "engine/OtpGenerator.h"
#include "engine/OtpHash.h"
#include "engine/Sha1.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// The generator's own step (MD4 and MD5 by integer code).
void BM_HashStep(benchmark::State& state, int algorithm) {
    unsigned char key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        HashStep(key, algorithm);
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK_CAPTURE(BM_HashStep, md4, 4);
BENCHMARK_CAPTURE(BM_HashStep, md5, 5);

// The step by hash name, SHA-1 included.
void BM_ChainStep(benchmark::State& state, OtpHash hash) {
    unsigned char key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        StepOtpKey(hash, key);
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK_CAPTURE(BM_ChainStep, md4, OtpHash::Md4);
BENCHMARK_CAPTURE(BM_ChainStep, md5, OtpHash::Md5);
BENCHMARK_CAPTURE(BM_ChainStep, sha1, OtpHash::Sha1);

constexpr std::uint32_t kChain[5] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u,
                                     0xc3d2e1f0u};

template <int N, void (*Transform)(std::uint32_t*, const unsigned char*)>
void BM_Transform(benchmark::State& state) {
    std::uint32_t chain[N];
    std::copy(kChain, kChain + N, chain);
    unsigned char block[64] = {1, 2, 3, 4, 5, 6, 7, 8, 0x80};
    for (auto _ : state) {
        Transform(chain, block);
        benchmark::DoNotOptimize(chain);
    }
}
BENCHMARK(BM_Transform<4, MD4Transform>)->Name("BM_Transform/md4");
BENCHMARK(BM_Transform<4, MD5Transform>)->Name("BM_Transform/md5");
BENCHMARK(BM_Transform<5, SHA1Transform>)->Name("BM_Transform/sha1");

// The bare compression of a block already in words: what a step cannot beat
// unless it knows the block.
template <int N, void (*Compress)(std::uint32_t*, const std::uint32_t*)>
void BM_Compress(benchmark::State& state) {
    std::uint32_t chain[N];
    std::copy(kChain, kChain + N, chain);
    std::uint32_t block[16] = {0x04030201u, 0x08070605u, 0x80u};
    block[14] = 64;
    for (auto _ : state) {
        Compress(chain, block);
        benchmark::DoNotOptimize(chain);
    }
}
BENCHMARK(BM_Compress<4, MD4Compress>)->Name("BM_Compress/md4");
BENCHMARK(BM_Compress<4, MD5Compress>)->Name("BM_Compress/md5");
BENCHMARK(BM_Compress<5, SHA1Compress>)->Name("BM_Compress/sha1");

template <class Context, int DigestSize, void (*Init)(Context*),
          void (*Update)(Context*, const unsigned char*, std::size_t),
          void (*Final)(unsigned char*, Context*),
          void (*Fold)(const unsigned char*, unsigned char*)>
void BM_ReferenceStep(benchmark::State& state) {
    unsigned char key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        unsigned char digest[DigestSize];
        Context ctx;
        Init(&ctx);
        Update(&ctx, key, 8);
        Final(digest, &ctx);
        Fold(digest, key);
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK(BM_ReferenceStep<Md4Context, 16, MD4Init, MD4Update, MD4Final, FoldDigest>)
    ->Name("BM_ReferenceStep/md4");
BENCHMARK(BM_ReferenceStep<Md5Context, 16, MD5Init, MD5Update, MD5Final, FoldDigest>)
    ->Name("BM_ReferenceStep/md5");
BENCHMARK(BM_ReferenceStep<Sha1Context, 20, SHA1Init, SHA1Update, SHA1Final, FoldSha1Digest>)
    ->Name("BM_ReferenceStep/sha1");

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

// A million SHA-1 steps, as ComputeResponse would run them for otp-sha1.
void BM_Sha1Chain(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::string seed = "TeSt";
        unsigned char key[8];
        CrunchOtpKey(OtpHash::Sha1, key, seed.data(), "This is a test.");
        for (int i = 0; i < count; ++i)
            StepOtpKey(OtpHash::Sha1, key);
        benchmark::DoNotOptimize(key);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Sha1Chain)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace
