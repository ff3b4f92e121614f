#include "platform/profile.h"

#include <vector>

#include "platform/error.h"
#include "util/text.h"

namespace zantovel {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kLineEnd = "\r\n";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

enum class LineKind { Other, Section, Key };

struct Line {
  std::size_t begin;  // first byte of the line
  std::size_t end;    // one past its last byte, before the line break
  std::size_t next;   // first byte of the next line
  LineKind kind;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed, quotes kept
};

Line ParseLine(std::string_view content, std::size_t begin) {
  std::size_t end = content.find_first_of(kLineEnd, begin);
  std::size_t next = end;
  if (end == std::string_view::npos) {
    end = next = content.size();
  } else {
    next = end + 1;
    if (content[end] == '\r' && next < content.size() && content[next] == '\n') ++next;
  }
  Line line{begin, end, next, LineKind::Other, {}, {}};
  const std::string_view text = Trim(content.substr(begin, end - begin));
  if (text.empty() || text.front() == ';') return line;
  if (text.front() == '[') {
    const auto close = text.find(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = Trim(text.substr(1, close - 1));
    }
    return line;
  }
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) return line;
  line.kind = LineKind::Key;
  line.name = Trim(text.substr(0, equals));
  line.value = Trim(text.substr(equals + 1));
  return line;
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Where a key lives in the content, or where it would be added.
struct KeyPlace {
  const Line* key = nullptr;         // the key's line, when present
  const Line* sectionEnd = nullptr;  // last header or key line of the first matching section
};

KeyPlace FindKey(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  KeyPlace place;
  bool inFirstSection = false;
  for (const Line& line : lines) {
    if (line.kind == LineKind::Section) {
      inFirstSection = SameName(line.name, section) && place.sectionEnd == nullptr;
      if (inFirstSection) place.sectionEnd = &line;
    } else if (line.kind == LineKind::Key && inFirstSection) {
      // Only the first section of the name counts, as with the system's own profile functions:
      // a key that only a later one holds is not there, and is saved into the first.
      if (SameName(line.name, key)) {
        place.key = &line;
        return place;
      }
      place.sectionEnd = &line;
    }
  }
  return place;
}

std::vector<Line> ParseLines(std::string_view content) {
  std::vector<Line> lines;
  for (std::size_t pos = 0; pos < content.size();) {
    lines.push_back(ParseLine(content, pos));
    pos = lines.back().next;
  }
  return lines;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigMark = "\xFE\xFF";

bool IsValidUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = CharLengthAt(text, pos);
    if (length == 1 && static_cast<unsigned char>(text[pos]) >= 0x80) return false;
    pos += length;
  }
  return true;
}

// The units of UTF-16 bytes in either order, and the bytes of units.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return FromUtf16(units);
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
  std::string bytes;
  for (const char16_t unit : ToUtf16(text)) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes.push_back(bigEndian ? high : low);
    bytes.push_back(bigEndian ? low : high);
  }
  return bytes;
}

}  // namespace

ProfileText DecodeProfile(std::string_view bytes) {
  if (bytes.substr(0, 3) == kUtf8Mark) return {std::string(bytes.substr(3)), TextForm::Utf8Marked};
  if (bytes.substr(0, 2) == kUtf16LittleMark)
    return {Utf16ToUtf8(bytes.substr(2), false), TextForm::Utf16LittleEndian};
  if (bytes.substr(0, 2) == kUtf16BigMark)
    return {Utf16ToUtf8(bytes.substr(2), true), TextForm::Utf16BigEndian};
  if (IsValidUtf8(bytes)) return {std::string(bytes), TextForm::Utf8};
  return {native::LegacyToUtf8(bytes), TextForm::LegacyCodePage};
}

std::string EncodeProfile(std::string_view text, TextForm form) {
  switch (form) {
    case TextForm::Utf8:
      return std::string(text);
    case TextForm::Utf8Marked:
      return std::string(kUtf8Mark) + std::string(text);
    case TextForm::Utf16LittleEndian:
      return std::string(kUtf16LittleMark) + Utf8ToUtf16(text, false);
    case TextForm::Utf16BigEndian:
      return std::string(kUtf16BigMark) + Utf8ToUtf16(text, true);
    case TextForm::LegacyCodePage:
      return native::Utf8ForLegacyFile(text);
  }
  return std::string(text);
}

std::string ReadProfileString(std::string_view section, std::string_view key,
                              const std::string& defaultValue, const std::string& path,
                              ProfileCache& cache) {
  const std::optional<std::string>& bytes = native::ReadProfileBytes(path, cache);
  if (!bytes) return defaultValue;
  // The values go with the bytes they were found in, which ReadProfileBytes clears with them.
  const auto [found, added] =
      cache.values.try_emplace({std::string(section), std::string(key)}, std::nullopt);
  if (added) found->second = FindProfileValue(DecodeProfile(*bytes).text, section, key);
  return found->second.value_or(defaultValue);
}

void WriteProfileStrings(std::string_view section, const ProfileValues& values,
                         const std::string& path) {
  const std::error_code error = native::ReplaceProfileBytes(path, [&](std::string_view bytes) {
    const ProfileText old = DecodeProfile(bytes);
    std::string next = old.text;
    for (const auto& [key, value] : values) next = WithProfileValue(next, section, key, value);
    // An unchanged file keeps its bytes, whatever form they are in.
    return next == old.text ? std::string(bytes) : EncodeProfile(next, old.form);
  });
  if (error) Fail("Cannot save settings file " + Quoted(path), error);
}

std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key) {
  const std::vector<Line> lines = ParseLines(content);
  const KeyPlace place = FindKey(lines, section, key);
  if (place.key == nullptr) return std::nullopt;
  return std::string(Unquoted(place.key->value));
}

std::string WithProfileValue(std::string_view content, std::string_view section,
                             std::string_view key, std::string_view value) {
  value = value.substr(0, value.find_first_of(kLineEnd));
  const std::string keyLine = std::string(key) + "=" + std::string(value) + "\r\n";
  const std::vector<Line> lines = ParseLines(content);
  const KeyPlace place = FindKey(lines, section, key);

  std::string out;
  out.reserve(content.size() + keyLine.size() + section.size() + 4);
  if (place.key != nullptr) {
    out.append(content.substr(0, place.key->begin));
    out.append(keyLine);
    out.append(content.substr(place.key->next));
    return out;
  }
  // A line that ends the file without a line break gets one before anything follows it.
  const auto appendUpTo = [&](std::size_t at) {
    out.append(content.substr(0, at));
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out.append(kLineEnd);
  };
  if (place.sectionEnd != nullptr) {
    appendUpTo(place.sectionEnd->next);
    out.append(keyLine);
    out.append(content.substr(place.sectionEnd->next));
    return out;
  }
  appendUpTo(content.size());
  out.append("[").append(section).append("]\r\n").append(keyLine);
  return out;
}

}  // namespace zantovel
