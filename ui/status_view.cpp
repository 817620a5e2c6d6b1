#include "ui/status_view.h"

#include <cmath>

#include "base/text.h"

namespace {

constexpr uint64_t kRadioBufferShownSeconds = 5;

void appendTwoDigits(std::wstring& out, uint64_t value) {
  out.push_back(static_cast<wchar_t>(L'0' + value / 10 % 10));
  out.push_back(static_cast<wchar_t>(L'0' + value % 10));
}

std::wstring withProgramName(const std::wstring& title) {
  return title + L" - " + status::kProgramName;
}

std::wstring emptyListTitle(const StatusInput& in) {
  if (in.audiobook && !in.sourceOpen) return L"Open a book: a folder, or drop a file";
  if (in.sourceOpen && !in.openedPodcastOrCd) {
    return L"No MP3, WAV, FLAC, M4A or WMA files in this folder";
  }
  return L"Open a folder to start";
}

void composeRadio(const StatusInput& in, StatusView& view) {
  const bool live =
      in.hasPlaying && (in.playState == PlayState::Playing || in.playState == PlayState::Paused);
  std::wstring radioStatus = in.radioStatus;
  if (radioStatus.empty() && in.playState == PlayState::Playing && in.outputBuffering) {
    radioStatus = L"Buffering...";
  }
  if (radioStatus.empty()) {
    view.title = live ? in.title : in.stationName;
  } else {
    view.title = in.stationName + L": " + radioStatus;
  }
  view.caption = withProgramName(live ? in.title : in.stationName);
  if (live) {
    view.time = timeText(in.positionFrames, in.sampleRate);
    if (in.sampleRate != 0 && in.bufferedFrames / kRadioBufferShownSeconds >= in.sampleRate) {
      view.time += L" / -" + timeText(in.bufferedFrames, in.sampleRate);
    }
  }
  view.seekEnabled = false;
}

}  // namespace

std::wstring timeText(uint64_t frames, uint32_t rate) {
  if (rate == 0) return L"0:00";
  const uint64_t seconds = frames / rate;
  std::wstring out;
  if (seconds < 3600) {
    out = text::toDecimal(seconds / 60);
  } else {
    out = text::toDecimal(seconds / 3600);
    out.push_back(L':');
    appendTwoDigits(out, seconds / 60 % 60);
  }
  out.push_back(L':');
  appendTwoDigits(out, seconds % 60);
  return out;
}

std::wstring dragTimeText(bool hasTrack, double fraction, uint64_t totalFrames, uint32_t rate) {
  if (!hasTrack) return std::wstring();
  // A drag past either end (or a garbage fraction) stays inside the track.
  if (!(fraction > 0)) fraction = 0;
  if (fraction > 1) fraction = 1;
  const auto at = static_cast<uint64_t>(std::floor(fraction * static_cast<double>(totalFrames)));
  return timeText(at < totalFrames ? at : totalFrames, rate) + L" / " + timeText(totalFrames, rate);
}

std::wstring groupDigits(uint64_t value) {
  const std::wstring digits = text::toDecimal(value);
  std::wstring out;
  out.reserve(digits.size() + digits.size() / 3);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out.push_back(L',');
    out.push_back(digits[i]);
  }
  return out;
}

StatusView composeStatus(const StatusInput& in) {
  StatusView view;
  view.playing = in.playState == PlayState::Playing;
  view.shuffle = in.shuffle;
  view.repeat = in.repeat;
  view.volume = in.volume;
  view.topmost = in.topmost;
  view.miniMode = in.miniMode;
  view.listHidden = in.listHidden;
  view.opacity = in.opacity;
  view.audiobook = in.audiobook;

  const bool failed = in.playState == PlayState::Failed;
  const bool hasTrack = in.hasPlaying && !failed;
  view.seekEnabled = hasTrack;
  view.caption = hasTrack ? withProgramName(in.title) : std::wstring(status::kProgramName);

  if (in.stationChosen && !failed) {
    composeRadio(in, view);
    return view;
  }

  const bool playingTrack = in.hasPlaying && in.playState == PlayState::Playing;
  if (in.scanRunning) {
    view.title = L"Scanning... " + groupDigits(in.scanCount) + L" files";
  } else if (in.feedLoading && !playingTrack) {
    view.title = L"Loading podcast...";
  } else if (in.cdReadPending && !playingTrack) {
    view.title = L"Reading the CD...";
  } else if (in.noticeActive) {
    view.title = in.notice;
  } else if (failed) {
    view.title =
        in.hasPlaying && !in.title.empty() ? in.title + L": " + in.statusMessage : in.statusMessage;
  } else if (in.playState == PlayState::Loading && !in.hasPlaying) {
    view.title = L"Loading...";
  } else if (in.hasPlaying) {
    view.title = in.audiobook ? L"(book) " + in.title : in.title;
    if (in.hasChapters) {
      view.suffix = L" - " + in.chapterTitle;
      view.title += view.suffix;
    }
    if (in.streamed && in.playState == PlayState::Playing && in.outputBuffering) {
      view.title += L"  (buffering)";
    }
  } else if (in.listEmpty) {
    view.title = emptyListTitle(in);
  } else {
    view.title = L"Double-click a track to play";
  }

  if (view.seekEnabled) {
    view.time = timeText(in.positionFrames, in.sampleRate) + L" / " +
                timeText(in.totalFrames, in.sampleRate);
    if (in.totalFrames != 0) {
      const double f = static_cast<double>(in.positionFrames) / static_cast<double>(in.totalFrames);
      view.fraction = f > 1 ? 1 : f;
    }
  }
  return view;
}
