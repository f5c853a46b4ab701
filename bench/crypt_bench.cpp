#include "common/bin_ascii.h"
#include "crypt/crypt_man.h"

#include <benchmark/benchmark.h>
#include <sstream>
#include <string>

namespace {

// An unlocked manager; the hash count does not matter for enciphering.
CryptMan& unlockedManager() {
    static CryptMan cm(42);
    if (!cm.IsLoggedIn()) cm.AddPwd("bench", "bench");
    return cm;
}

const std::string text200(199, 'd'); // 200 bytes with the terminating zero

// One description enciphered in CBC mode, key schedule set up per call.
void BM_EncryptDescription200(benchmark::State& state) {
    CryptMan& cm = unlockedManager();
    for (auto _ : state) {
        int n = 0;
        auto cipher = cm.Encrypt(text200.c_str(), n, true);
        benchmark::DoNotOptimize(cipher.data());
    }
}
BENCHMARK(BM_EncryptDescription200);

// Deciphering it back, as the first use after login does.
void BM_DecryptDescription200(benchmark::State& state) {
    CryptMan& cm = unlockedManager();
    int n = 0;
    auto cipher = cm.Encrypt(text200.c_str(), n, true);
    std::string plain;
    for (auto _ : state) {
        cm.Decrypt(cipher.data(), n, true, plain);
        benchmark::DoNotOptimize(plain.data());
    }
}
BENCHMARK(BM_DecryptDescription200);

// The enciphering share of saving a file with 1,000 changed enciphered
// descriptions: encipher each and write it as BinASCII.
void BM_SaveThousandChangedDescriptions(benchmark::State& state) {
    CryptMan& cm = unlockedManager();
    for (auto _ : state) {
        std::ostringstream os;
        for (int i = 0; i < 1000; ++i) {
            int n = 0;
            auto cipher = cm.Encrypt(text200.c_str(), n, true);
            WriteBinASCII(os, cipher.data(), n);
            os << '\n';
        }
        benchmark::DoNotOptimize(os.str().size());
    }
}
BENCHMARK(BM_SaveThousandChangedDescriptions)->Unit(benchmark::kMillisecond);

} // namespace
