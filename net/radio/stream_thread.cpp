// The radio stream thread: connects (resolving a station link first when the URL names one),
// asks for ICY metadata, tells MP3 from AAC, decodes into the ring and reconnects after drops
// with growing pauses for as long as the ring still has audio to play.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/scoped_win.h"
#include "base/text.h"
#include "net/http/client.h"
#include "net/http/error_text.h"
#include "net/http/request.h"
#include "net/radio/aac_decoder.h"
#include "net/radio/adts.h"
#include "net/radio/radio_event.h"
#include "net/radio/radio_stream.h"
#include "net/radio/reconnect.h"
#include "net/radio/ring_writer.h"
#include "net/radio/station_link.h"
#include "net/radio/station_link_resolver.h"
#include "net/radio/stream_reader.h"
#include "net/radio/stream_type.h"

namespace radio {

namespace {

constexpr DWORD kResolveTimeoutMs = 10000;
constexpr DWORD kConnectTimeoutMs = 10000;
constexpr DWORD kSendTimeoutMs = 10000;
constexpr DWORD kReceiveTimeoutMs = 15000;
constexpr wchar_t kIcyRequestHeaders[] = L"Icy-MetaData: 1\r\n";
// An AAC connection that has not framed one decodable frame in this much is not AAC.
constexpr uint64_t kMaxAacSearchBytes = 262144;
constexpr uint32_t kMaxAacFailures = 50;

constexpr wchar_t kConnecting[] = L"Connecting...";
constexpr wchar_t kReconnecting[] = L"Reconnecting...";
constexpr wchar_t kNotStreamUrl[] = L"Not a valid stream URL";
constexpr wchar_t kStationAnswered[] = L"The station answered HTTP ";
constexpr wchar_t kNotAac[] = L"Not a playable AAC stream";
constexpr wchar_t kNotMp3OrAac[] = L"Not a playable MP3 or AAC stream";
constexpr wchar_t kNotMp3[] = L"Not a playable MP3 stream";
constexpr wchar_t kFormatChanged[] = L"The station changed its audio format";
constexpr wchar_t kUnavailable[] = L"Station unavailable";

class StreamThread final : public StreamEvents {
 public:
  StreamThread(const std::shared_ptr<Stream::Shared>& shared, const std::wstring& url,
               uint32_t codepage)
      : shared_(*shared), url_(url), codepage_(codepage) {}

  void run();

  void status(const std::wstring& text) override { post(RadioEvent::kStatus, text); }
  void started(RadioRing& ring) override;
  void title(uint64_t position, const std::wstring& title) override;
  bool waitForStop(uint32_t ms) override {
    return WaitForSingleObject(shared_.stopEvent.get(), ms) != WAIT_TIMEOUT || stopping();
  }

  bool stopping() const { return shared_.stopping.load(std::memory_order_acquire); }
  void post(std::unique_ptr<RadioEvent> event);
  void post(uint8_t kind, const std::wstring& text);

 private:
  enum class Next { Reconnect, Relink };

  bool resolveLink(http::HttpUrl& target);
  Next connect(HINTERNET session, const http::HttpUrl& target);
  Next play(http::Request& request);
  void decodeMp3(StreamReader& reader, bool sniffed);
  void decodeAac(StreamReader& reader);
  bool deliver(const int16_t* frames, uint32_t count, uint32_t rate);
  bool receive(http::Request& request, uint8_t* buffer, size_t capacity, size_t& got);
  void fail(const std::wstring& text) {
    error_ = text;
    retryable_ = false;
  }

  Stream::Shared& shared_;
  const std::wstring url_;
  const uint32_t codepage_;
  RingWriter writer_{*this};
  bool linkResolved_ = false;
  uint32_t attempt_ = 0;
  bool retryable_ = true;
  std::wstring error_;
  std::wstring networkError_;
};

void StreamThread::post(std::unique_ptr<RadioEvent> event) {
  event->session = shared_.session;
  postRecord(shared_.window, shared_.message, event);  // the window's once posted
}

void StreamThread::post(uint8_t kind, const std::wstring& text) {
  auto event = std::make_unique<RadioEvent>();
  event->kind = kind;
  event->text = text;
  post(std::move(event));
}

void StreamThread::started(RadioRing& ring) {
  auto event = std::make_unique<RadioEvent>();
  event->kind = RadioEvent::kStarted;
  event->sampleRate = int32_t(ring.sampleRate());
  ring.retain();
  event->ring = &ring;
  post(std::move(event));
}

void StreamThread::title(uint64_t position, const std::wstring& title) {
  auto event = std::make_unique<RadioEvent>();
  event->kind = RadioEvent::kTitle;
  event->text = title;
  event->position = position;
  post(std::move(event));
}

void StreamThread::run() {
  post(RadioEvent::kStatus, kConnecting);
  std::optional<http::HttpUrl> target = http::parseUrl(url_);
  if (!target) {
    post(RadioEvent::kError, kNotStreamUrl);
    return;
  }
  if (isStationLinkUrl(url_) && !resolveLink(*target)) {
    if (!stopping()) post(RadioEvent::kError, error_);
    return;
  }
  base::ScopedInternet session = http::openSession();
  if (!session) {
    post(RadioEvent::kError, http::kNoNetworkText);
    return;
  }
  WinHttpSetTimeouts(session.get(), kResolveTimeoutMs, kConnectTimeoutMs, kSendTimeoutMs,
                     kReceiveTimeoutMs);

  for (;;) {
    retryable_ = true;
    if (connect(session.get(), *target) == Next::Relink) {
      if (!resolveLink(*target)) break;
      continue;  // at once, on the same attempt
    }
    if (stopping() || (!error_.empty() && !retryable_)) break;
    if (!shouldReconnect(attempt_, writer_.buffered())) {
      if (error_.empty()) error_ = networkError_.empty() ? kUnavailable : networkError_;
      break;
    }
    error_.clear();
    status(writer_.started() ? kReconnecting : kConnecting);
    writer_.statusShown();
    if (waitForStop(reconnectDelayMs(attempt_))) break;
    ++attempt_;
  }
  if (!error_.empty() && !stopping()) post(RadioEvent::kError, error_);
}

// Resolves the station URL as a link (once per session); false with the error set.
bool StreamThread::resolveLink(http::HttpUrl& target) {
  linkResolved_ = true;
  std::wstring error;
  const std::wstring resolved = resolveStationLink(url_, error, shared_.linkCancel);
  if (resolved.empty()) {
    fail(error);
    return false;
  }
  std::optional<http::HttpUrl> parsed = http::parseUrl(resolved);
  if (!parsed) {
    fail(kLinkNoAddress);
    return false;
  }
  target = std::move(*parsed);
  return true;
}

StreamThread::Next StreamThread::connect(HINTERNET session, const http::HttpUrl& target) {
  base::ScopedInternet connection(WinHttpConnect(session, target.host.c_str(), target.port, 0));
  uint32_t error = connection ? 0 : GetLastError();
  http::Request request;  // closed before the connection
  const bool answered =
      connection &&
      request.open(connection.get(), target.path, target.secure, &shared_.request, error) &&
      request.send(kIcyRequestHeaders, error);
  if (!answered) {
    if (!stopping() && error != 0) networkError_ = http::errorText(error);
    return Next::Reconnect;
  }
  const uint32_t status = request.status();
  if (status == 200) return play(request);
  if (status != 0) {
    error_ = kStationAnswered + text::toDecimal(uint64_t{status});
    retryable_ = status > 499;
  }
  return Next::Reconnect;
}

StreamThread::Next StreamThread::play(http::Request& request) {
  const std::wstring type = request.header(WINHTTP_QUERY_CONTENT_TYPE);
  const ContentClass content = classifyContentType(type);
  if (content.kind == StreamClass::Refused) {
    if (!linkResolved_ && contentTypeNamesPlaylist(type)) {
      request.close();
      return Next::Relink;
    }
    fail(content.error);
    return Next::Reconnect;
  }
  const uint32_t metaint = parseMetaint(request.header(WINHTTP_QUERY_CUSTOM, L"icy-metaint"));
  StreamReader reader(metaint, codepage_,
                      [this, &request](uint8_t* buffer, size_t capacity, size_t& got) {
                        return receive(request, buffer, capacity, got);
                      });
  StreamClass kind = content.kind;
  if (kind == StreamClass::Unknown) {
    for (;;) {
      const Sniff sniff = sniffStream(reader.audio(), reader.audioSize(), reader.ended());
      if (sniff != Sniff::NeedMore) {
        kind = sniff == Sniff::Aac ? StreamClass::Aac : StreamClass::Mp3;
        break;
      }
      reader.step();
    }
  }
  if (stopping()) return Next::Reconnect;
  if (kind == StreamClass::Aac) {
    decodeAac(reader);
  } else {
    decodeMp3(reader, content.kind == StreamClass::Unknown);
  }
  return Next::Reconnect;
}

bool StreamThread::receive(http::Request& request, uint8_t* buffer, size_t capacity, size_t& got) {
  got = 0;
  if (stopping()) return false;
  uint32_t read = 0;
  uint32_t error = 0;
  if (!request.readAvailable(buffer, uint32_t(capacity), read, error)) return false;
  got = read;
  return read > 0;
}

bool StreamThread::deliver(const int16_t* frames, uint32_t count, uint32_t rate) {
  attempt_ = 0;
  networkError_.clear();
  switch (writer_.deliver(frames, count, rate)) {
    case RingWriter::Delivery::Written:
      return true;
    case RingWriter::Delivery::OutOfMemory:
      fail(http::kOutOfMemoryText);
      return false;
    case RingWriter::Delivery::FormatChanged:
      fail(kFormatChanged);
      return false;
    case RingWriter::Delivery::Stopped:
      break;
  }
  return false;
}

void StreamThread::decodeMp3(StreamReader& reader, bool sniffed) {
  const Mp3Outcome outcome = radio::decodeMp3(
      reader,
      [this](const int16_t* frames, uint32_t count, uint32_t rate) {
        return deliver(frames, count, rate);
      },
      [this, &reader] { writer_.postTitles(reader.takeTitles()); });
  if (outcome == Mp3Outcome::NotMp3 && !stopping()) fail(sniffed ? kNotMp3OrAac : kNotMp3);
}

void StreamThread::decodeAac(StreamReader& reader) {
  const DeliverPcm deliverPcm = [this](const int16_t* frames, uint32_t count, uint32_t rate) {
    return deliver(frames, count, rate);
  };
  AdtsFramer framer;
  framer.append(reader.audio(), reader.audioSize());
  reader.consumeAudio();
  std::unique_ptr<AacDecoder> decoder;
  uint32_t failures = 0;
  AdtsHeader header;
  std::vector<uint8_t> frame;
  while (error_.empty() && !stopping()) {
    if (!framer.next(header, frame)) {
      writer_.postTitles(reader.takeTitles());
      if (!decoder && framer.gathered() > kMaxAacSearchBytes) {
        fail(kNotAac);
        break;
      }
      if (!reader.step()) break;
      framer.append(reader.audio(), reader.audioSize());
      reader.consumeAudio();
      continue;
    }
    if (!decoder || !sameAdtsFormat(decoder->format(), header)) {
      decoder.reset();
      std::wstring error;
      decoder = AacDecoder::create(header, error);
      if (!decoder) {
        fail(error);
        break;
      }
    }
    const AacDecoder::Result result = decoder->decode(frame, deliverPcm);
    if (result == AacDecoder::Result::Stopped) break;
    if (result == AacDecoder::Result::Ok) {
      failures = 0;
    } else {
      decoder->flush();
      if (++failures > kMaxAacFailures) fail(kAacCannotDecode);
    }
  }
}

}  // namespace

void runStream(const std::shared_ptr<Stream::Shared>& shared, const std::wstring& url,
               uint32_t codepage) noexcept {
  base::ComApartment apartment(COINIT_MULTITHREADED);
  std::unique_ptr<StreamThread> thread;
  try {
    thread = std::make_unique<StreamThread>(shared, url, codepage);
    thread->run();
  } catch (const std::bad_alloc&) {
    if (thread && !thread->stopping()) {
      try {
        thread->post(RadioEvent::kError, http::kOutOfMemoryText);
      } catch (const std::bad_alloc&) {
      }
    }
  }
}

}  // namespace radio
