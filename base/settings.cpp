#include "base/settings.h"

#include <limits>
#include <type_traits>

#include "base/code_page.h"
#include "base/text.h"

namespace {

constexpr size_t kMaxUrlLength = 2048;

template <typename Visit>
void forEachEntry(std::wstring_view text, Visit visit) {
  while (!text.empty()) {
    size_t end = text.find(L'\0');
    std::wstring_view entry = text.substr(0, end);
    text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end + 1);
    if (!entry.empty() && !visit(entry)) return;
  }
}

// "name|url" splits at the last bar, so names may hold bars. A URL may hold bars too: when
// the last bar leaves no valid URL, the last earlier bar that does is taken instead of
// losing the entry.
bool splitNameAndUrl(std::wstring_view value, std::wstring_view& name, std::wstring_view& url) {
  size_t bar = value.rfind(L'|');
  if (bar == std::wstring_view::npos) return false;
  name = value.substr(0, bar);
  url = value.substr(bar + 1);
  if (text::isValidUrl(url)) return true;
  while (bar > 0) {
    bar = value.rfind(L'|', bar - 1);
    if (bar == std::wstring_view::npos) break;
    std::wstring_view rest = value.substr(bar + 1);
    if (rest.size() > kMaxUrlLength) break;
    if (text::isValidUrl(rest)) {
      name = value.substr(0, bar);
      url = rest;
      return true;
    }
  }
  return false;
}

bool validName(std::wstring_view name) {
  return !name.empty() && name.size() <= Settings::kMaxNameLength;
}

// A character below 32 would end or split the line the profile functions write.
bool hasControlCharacter(std::wstring_view s) {
  for (wchar_t c : s)
    if (c < 32) return true;
  return false;
}

std::wstring withoutControlCharacters(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out)
    if (c < 32) c = L' ';
  return out;
}

void readStations(Settings& s, std::wstring_view text) {
  forEachEntry(text, [&s](std::wstring_view entry) {
    if (s.stations.size() >= Settings::kMaxStations) return false;
    size_t eq = entry.find(L'=');
    std::wstring_view name, url;
    if (eq != std::wstring_view::npos && splitNameAndUrl(entry.substr(eq + 1), name, url) &&
        validName(name))
      s.stations.push_back({std::wstring(name), std::wstring(url)});
    return true;
  });
}

void readPositions(Settings& s, std::wstring_view text) {
  forEachEntry(text, [&s](std::wstring_view entry) {
    if (s.positions.size() >= Settings::kMaxPositions) return false;
    size_t eq = entry.find(L'=');
    if (eq == std::wstring_view::npos) return true;
    std::wstring_view value = entry.substr(eq + 1);
    size_t bar = value.find(L'|');
    if (bar == std::wstring_view::npos) return true;
    int64_t ms;
    std::wstring_view path = value.substr(bar + 1);
    if (path.empty() || !parseSettingsInteger(value.substr(0, bar), 1,
                                              static_cast<int64_t>(Settings::kMaxPositionMs), ms))
      return true;
    // Windows paths ignore case: the first (most recent) spelling of a file wins.
    for (const Settings::Position& p : s.positions)
      if (text::equalsOrdinalIgnoreCase(p.path, path)) return true;
    s.positions.push_back({std::wstring(path), static_cast<uint64_t>(ms)});
    return true;
  });
}

void readPodcasts(Settings& s, std::wstring_view text) {
  forEachEntry(text, [&s](std::wstring_view entry) {
    if (s.podcasts.size() >= Settings::kMaxPodcasts) return false;
    size_t eq = entry.find(L'=');
    std::wstring_view title, url;
    if (eq == std::wstring_view::npos || !splitNameAndUrl(entry.substr(eq + 1), title, url) ||
        !validName(title))
      return true;
    for (const Settings::Podcast& p : s.podcasts)
      if (p.url == url) return true;
    s.podcasts.push_back({std::wstring(title), std::wstring(url)});
    return true;
  });
}

void readHeard(Settings& s, std::wstring_view text) {
  forEachEntry(text, [&s](std::wstring_view entry) {
    if (s.heard.size() >= Settings::kMaxHeard) return false;
    size_t eq = entry.find(L'=');
    if (eq != std::wstring_view::npos && text::isValidUrl(entry.substr(eq + 1)))
      s.heard.emplace_back(entry.substr(eq + 1));
    return true;
  });
}

void appendEntry(std::wstring& out, std::wstring_view key, std::wstring_view value) {
  out += key;
  out += L'=';
  out += value;
  out += L'\0';
}

std::wstring flagText(bool value) { return value ? L"1" : L"0"; }

// Paths and URLs are written as they are, but one holding a line break could not be read
// back as written (and would inject entries of its own), so it is written empty.
std::wstring_view storableText(const std::wstring& value) {
  return hasControlCharacter(value) ? std::wstring_view() : std::wstring_view(value);
}

// How each key of the Player section is read into the record (a value it refuses leaves the
// field as it was) and written from it, in the order the file holds them.
struct PlayerKey {
  std::wstring_view name;
  void (*read)(Settings&, std::wstring_view);
  std::wstring (*write)(const Settings&);
};

constexpr int64_t kMaxMs = static_cast<int64_t>(Settings::kMaxPositionMs);

template <std::wstring Settings::*field>
void readText(Settings& s, std::wstring_view value) {
  s.*field = value;
}

template <std::wstring Settings::*field>
void readUrl(Settings& s, std::wstring_view value) {
  if (text::isValidUrl(value)) s.*field = value;
}

template <std::wstring Settings::*field>
std::wstring writeText(const Settings& s) {
  return std::wstring(storableText(s.*field));
}

template <bool Settings::*field>
void readFlag(Settings& s, std::wstring_view value) {
  parseSettingsFlag(value, s.*field);
}

template <bool Settings::*field>
std::wstring writeFlag(const Settings& s) {
  return flagText(s.*field);
}

template <auto field, int64_t min, int64_t max>
void readNumber(Settings& s, std::wstring_view value) {
  using Field = std::remove_reference_t<decltype(s.*field)>;
  int64_t v;
  if (parseSettingsInteger(value, min, max, v)) s.*field = static_cast<Field>(v);
}

template <auto field>
std::wstring writeNumber(const Settings& s) {
  if constexpr (std::is_signed_v<std::remove_reference_t<decltype(s.*field)>>) {
    return text::toDecimal(static_cast<int64_t>(s.*field));
  } else {
    return text::toDecimal(static_cast<uint64_t>(s.*field));
  }
}

template <SettingsRect Settings::*field>
void readRect(Settings& s, std::wstring_view value) {
  parseSettingsRect(value, s.*field);
}

template <SettingsRect Settings::*field>
std::wstring writeRect(const Settings& s) {
  return formatSettingsRect(s.*field);
}

// Steps of ten from 50 to 100.
void readOpacity(Settings& s, std::wstring_view value) {
  int64_t v;
  if (parseSettingsInteger(value, 50, 100, v) && v % 10 == 0) s.opacity = static_cast<int>(v);
}

void readCodePage(Settings& s, std::wstring_view value) {
  parseSettingsCodePage(value, s.tagCodepage);
}

constexpr PlayerKey kPlayerKeys[] = {
    {L"folder", readText<&Settings::folder>, writeText<&Settings::folder>},
    {L"includeSubfolders", readFlag<&Settings::includeSubfolders>,
     writeFlag<&Settings::includeSubfolders>},
    {L"shuffle", readFlag<&Settings::shuffle>, writeFlag<&Settings::shuffle>},
    {L"repeat", readNumber<&Settings::repeat, 0, 2>, writeNumber<&Settings::repeat>},
    {L"volume", readNumber<&Settings::volume, 0, 100>, writeNumber<&Settings::volume>},
    {L"topmost", readFlag<&Settings::topmost>, writeFlag<&Settings::topmost>},
    {L"miniMode", readFlag<&Settings::miniMode>, writeFlag<&Settings::miniMode>},
    {L"listHidden", readFlag<&Settings::listHidden>, writeFlag<&Settings::listHidden>},
    {L"audiobook", readFlag<&Settings::audiobook>, writeFlag<&Settings::audiobook>},
    {L"opacity", readOpacity, writeNumber<&Settings::opacity>},
    {L"fullRect", readRect<&Settings::fullRect>, writeRect<&Settings::fullRect>},
    {L"miniRect", readRect<&Settings::miniRect>, writeRect<&Settings::miniRect>},
    {L"lastTrackPath", readText<&Settings::lastTrackPath>, writeText<&Settings::lastTrackPath>},
    {L"lastPositionMs", readNumber<&Settings::lastPositionMs, 0, kMaxMs>,
     writeNumber<&Settings::lastPositionMs>},
    {L"tagCodepage", readCodePage, writeNumber<&Settings::tagCodepage>},
    {L"lastStation", readUrl<&Settings::lastStation>, writeText<&Settings::lastStation>},
    {L"podcast", readUrl<&Settings::podcast>, writeText<&Settings::podcast>},
    {L"bookPath", readText<&Settings::bookPath>, writeText<&Settings::bookPath>},
    {L"bookIncludeSubfolders", readFlag<&Settings::bookIncludeSubfolders>,
     writeFlag<&Settings::bookIncludeSubfolders>},
    {L"bookTrack", readText<&Settings::bookTrack>, writeText<&Settings::bookTrack>},
    {L"bookPositionMs", readNumber<&Settings::bookPositionMs, 0, kMaxMs>,
     writeNumber<&Settings::bookPositionMs>},
};

void readPlayerEntry(Settings& s, std::wstring_view key, std::wstring_view value) {
  for (const PlayerKey& k : kPlayerKeys) {
    if (k.name == key) {
      k.read(s, value);
      return;
    }
  }
}

std::wstring buildPlayer(const Settings& s) {
  std::wstring out;
  for (const PlayerKey& k : kPlayerKeys) appendEntry(out, k.name, k.write(s));
  return out;
}

// Entries are numbered in the order they are written; a skipped one takes no number.
std::wstring buildStations(const Settings& s) {
  std::wstring out;
  uint64_t n = 0;
  for (size_t i = 0; i < s.stations.size() && i < Settings::kMaxStations; ++i) {
    const Settings::Station& st = s.stations[i];
    if (hasControlCharacter(st.url)) continue;  // never a valid URL
    appendEntry(out, text::toDecimal(++n), withoutControlCharacters(st.name) + L'|' + st.url);
  }
  return out;
}

std::wstring buildPositions(const Settings& s) {
  std::wstring out;
  uint64_t n = 0;
  for (size_t i = 0; i < s.positions.size() && i < Settings::kMaxPositions; ++i) {
    const Settings::Position& p = s.positions[i];
    if (hasControlCharacter(p.path)) continue;  // no file has such a path
    appendEntry(out, text::toDecimal(++n), text::toDecimal(p.ms) + L'|' + p.path);
  }
  return out;
}

std::wstring buildPodcasts(const Settings& s) {
  std::wstring out;
  uint64_t n = 0;
  for (size_t i = 0; i < s.podcasts.size() && i < Settings::kMaxPodcasts; ++i) {
    const Settings::Podcast& p = s.podcasts[i];
    if (hasControlCharacter(p.url)) continue;
    appendEntry(out, text::toDecimal(++n), withoutControlCharacters(p.title) + L'|' + p.url);
  }
  return out;
}

std::wstring buildHeard(const Settings& s) {
  std::wstring out;
  uint64_t n = 0;
  for (size_t i = 0; i < s.heard.size() && i < Settings::kMaxHeard; ++i) {
    if (hasControlCharacter(s.heard[i])) continue;
    appendEntry(out, text::toDecimal(++n), s.heard[i]);
  }
  return out;
}

}  // namespace

const wchar_t* settingsSectionName(SettingsSection section) {
  switch (section) {
    case SettingsSection::Player:
      return L"Player";
    case SettingsSection::Stations:
      return L"Stations";
    case SettingsSection::Positions:
      return L"Positions";
    case SettingsSection::Podcasts:
      return L"Podcasts";
    case SettingsSection::Heard:
      return L"Heard";
  }
  return L"";
}

size_t settingsSectionBufferChars(SettingsSection section) {
  switch (section) {
    case SettingsSection::Positions:
      return 262144;
    case SettingsSection::Heard:
      return 524288;
    default:
      return 65536;
  }
}

bool parseSettingsInteger(std::wstring_view text, int64_t min, int64_t max, int64_t& out) {
  int64_t v;
  if (!text::parseInt64(text, v) || v < min || v > max) return false;
  out = v;
  return true;
}

bool parseSettingsFlag(std::wstring_view text, bool& out) {
  int64_t v;
  if (!parseSettingsInteger(text, 0, 1, v)) return false;
  out = v == 1;
  return true;
}

bool parseSettingsRect(std::wstring_view text, SettingsRect& out) {
  int64_t fields[4];
  for (int i = 0; i < 4; ++i) {
    size_t comma = text.find(L',');
    if ((comma == std::wstring_view::npos) != (i == 3)) return false;
    if (!parseSettingsInteger(text.substr(0, comma), std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max(), fields[i]))
      return false;
    if (i < 3) text = text.substr(comma + 1);
  }
  SettingsRect r{static_cast<int32_t>(fields[0]), static_cast<int32_t>(fields[1]),
                 static_cast<int32_t>(fields[2]), static_cast<int32_t>(fields[3])};
  if (!r.known()) return false;
  out = r;
  return true;
}

std::wstring formatSettingsRect(const SettingsRect& r) {
  if (!r.known()) return std::wstring();
  return text::toDecimal(int64_t{r.left}) + L',' + text::toDecimal(int64_t{r.top}) + L',' +
         text::toDecimal(int64_t{r.right}) + L',' + text::toDecimal(int64_t{r.bottom});
}

bool parseSettingsCodePage(std::wstring_view text, uint32_t& out) {
  int64_t v;
  if (!parseSettingsInteger(text, 0, 65535, v)) return false;
  if (v != 0 && !codePageExists(static_cast<uint32_t>(v))) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

void readSettingsSection(Settings& settings, SettingsSection section, std::wstring_view text) {
  switch (section) {
    case SettingsSection::Player:
      forEachEntry(text, [&settings](std::wstring_view entry) {
        size_t eq = entry.find(L'=');
        if (eq != std::wstring_view::npos)
          readPlayerEntry(settings, entry.substr(0, eq), entry.substr(eq + 1));
        return true;
      });
      break;
    case SettingsSection::Stations:
      readStations(settings, text);
      break;
    case SettingsSection::Positions:
      readPositions(settings, text);
      break;
    case SettingsSection::Podcasts:
      readPodcasts(settings, text);
      break;
    case SettingsSection::Heard:
      readHeard(settings, text);
      break;
  }
}

std::wstring buildSettingsSection(const Settings& settings, SettingsSection section) {
  std::wstring out;
  switch (section) {
    case SettingsSection::Player:
      out = buildPlayer(settings);
      break;
    case SettingsSection::Stations:
      out = buildStations(settings);
      break;
    case SettingsSection::Positions:
      out = buildPositions(settings);
      break;
    case SettingsSection::Podcasts:
      out = buildPodcasts(settings);
      break;
    case SettingsSection::Heard:
      out = buildHeard(settings);
      break;
  }
  out += L'\0';
  return out;
}
