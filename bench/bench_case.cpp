// Throughput of the four case conversions on a mixed text of 16 MiB.
#include <chrono>
#include <cstdio>
#include <string>

#include "case/case.h"

int main() {
  const std::u16string sample =
      u"the QUICK brown Fox jumps over o'Hare's lazy DOG; Ärger über Straße, Ελλάδα, Москва.\r\n";
  std::u16string text;
  while (text.size() * sizeof(char16_t) < (16u << 20)) text += sample;
  const double megabytes = text.size() * sizeof(char16_t) / 1048576.0;

  const std::pair<const char*, Case::CaseMode> modes[] = {
      {"UPPER CASE", Case::CaseMode::Upper},
      {"lower case", Case::CaseMode::Lower},
      {"Proper Case", Case::CaseMode::Proper},
      {"Sentence case", Case::CaseMode::Sentence}};
  std::printf("case conversions, %.0f MiB of UTF-16 text\n", megabytes);
  for (const auto& [name, mode] : modes) {
    std::size_t checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    constexpr int kRounds = 5;
    for (int i = 0; i < kRounds; ++i)
      checksum += Case::Convert(mode, text)[static_cast<std::size_t>(i)];
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("  %-14s %8.1f MB/s  (checksum %zu)\n", name, kRounds * megabytes / seconds,
                checksum);
  }
}
