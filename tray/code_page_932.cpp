#include "tray/code_page_932.h"

#include <cstdint>

namespace {

// U+30A1 to U+30F6 are 0x83 0x40 to 0x83 0x96 in order, without a second byte 0x7F.
constexpr char16_t kFirstKatakana = u'ァ', kLastKatakana = u'ヶ';
constexpr uint8_t kKatakanaLead = 0x83, kFirstTrail = 0x40, kNoTrail = 0x7F;

}  // namespace

std::string ToCodePage932(std::u16string_view text) {
  std::string bytes;
  for (const char16_t c : text) {
    if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else if (c >= kFirstKatakana && c <= kLastKatakana) {
      int trail = kFirstTrail + (c - kFirstKatakana);
      if (trail >= kNoTrail) ++trail;
      bytes += static_cast<char>(kKatakanaLead);
      bytes += static_cast<char>(trail);
    } else {
      bytes += '?';
    }
  }
  return bytes;
}

std::u16string FromCodePage932(std::string_view bytes) {
  std::u16string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    if (lead < 0x80) {
      text += static_cast<char16_t>(lead);
      continue;
    }
    if (i + 1 == bytes.size()) break;
    const auto trail = static_cast<uint8_t>(bytes[++i]);
    const auto c = static_cast<char16_t>(kFirstKatakana + (trail - kFirstTrail) - (trail > kNoTrail ? 1 : 0));
    text += ToCodePage932(std::u16string_view(&c, 1)) == bytes.substr(i - 1, 2) ? c : u'?';
  }
  return text;
}
