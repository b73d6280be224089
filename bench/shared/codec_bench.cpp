// Decoding runs once per sensor on every poll of the app; encoding once per
// fan-target write. These keep both cheap.
#include <array>
#include <cstdint>
#include <span>

#include <benchmark/benchmark.h>

#include "shared/SMCDataCodec.hpp"

namespace zephrane {
namespace {

void decodeAs(benchmark::State& state, SMCDataType type, std::array<std::uint8_t, 4> raw) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(raw);
        double value = SMCDataCodec::decode(std::span<const std::uint8_t>(raw), type);
        benchmark::DoNotOptimize(value);
    }
}

void encodeAs(benchmark::State& state, SMCDataType type, double value) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        auto bytes = SMCDataCodec::encode(value, type);
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_DecodeSp78(benchmark::State& s) { decodeAs(s, SMCDataType::sp78(), {0x2E, 0x80, 0, 0}); }
void BM_DecodeFlt(benchmark::State& s) { decodeAs(s, SMCDataType::flt(), {0x00, 0x00, 0x3A, 0x42}); }
void BM_DecodeFpe2(benchmark::State& s) { decodeAs(s, SMCDataType::fpe2(), {0x17, 0x70, 0, 0}); }
void BM_DecodeUi32(benchmark::State& s) { decodeAs(s, SMCDataType::ui32(), {0x00, 0x00, 0x05, 0xDC}); }
void BM_EncodeFpe2(benchmark::State& s) { encodeAs(s, SMCDataType::fpe2(), 1500.0); }
void BM_EncodeFlt(benchmark::State& s) { encodeAs(s, SMCDataType::flt(), 2350.5); }

BENCHMARK(BM_DecodeSp78);
BENCHMARK(BM_DecodeFlt);
BENCHMARK(BM_DecodeFpe2);
BENCHMARK(BM_DecodeUi32);
BENCHMARK(BM_EncodeFpe2);
BENCHMARK(BM_EncodeFlt);

}  // namespace
}  // namespace zephrane
