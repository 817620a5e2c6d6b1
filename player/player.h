// The one Player: the track list, what plays and what is prepared to follow it, the requests
// to the track loader and the folder scanner, and every playback decision. Owned by the
// user-interface thread; workers reach it only through messages to its window. The window
// reads it through view() and trackList() and changes it only through the operations below.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/settings.h"
#include "base/track_list.h"
#include "cd/cd_text.h"
#include "cd/disc_reader.h"
#include "cd/disc_result.h"
#include "engine/audio_output.h"
#include "engine/track_loader.h"
#include "library/scan_result.h"
#include "library/scanner.h"
#include "net/podcast/episode.h"
#include "net/podcast/feed_download.h"
#include "player/listening_log.h"
#include "player/now_playing.h"
#include "player/playback_rules.h"
#include "player/player_view.h"
#include "player/radio_state.h"
#include "player/start_options.h"
#include "smtc/controls.h"

// The listening log's events, by their codes in the log.
enum class LogEvent : uint8_t {
  Play = 0,
  Pause = 1,
  At = 2,
  From = 3,
  To = 4,
  Stop = 5,
  Exit = 6,
  Off = 7
};

// Where the last session's track is taken up once its list arrives.
struct RestoreTarget {
  std::wstring path;
  uint64_t positionMs = 0;
  bool pending = false;
  // positionMs came from the listening log; the saved one stands if the track is shorter.
  bool positionFromLog = false;
  uint64_t savedPositionMs = 0;
};

// The audio CD whose tracks are the list: its drive and CD-Text, by track number.
struct CdSource {
  wchar_t drive = 0;  // 0: the list is no CD
  cd::DiscTexts titles;
  cd::DiscTexts performers;
};

// The source of the mode (library or audiobook) that is not active.
struct ModeContext {
  std::wstring sourcePath;
  bool includeSubfolders = true;
  bool shuffle = false;
  TrackList list;
  uint32_t listScanId = 0;
  std::vector<uint64_t> removedScanIndices;
  std::wstring stationUrl;  // library mode only
  std::wstring feedUrl;     // library mode only
  CdSource cd;              // library mode only
  std::wstring trackPath;   // the track to come back to
  uint64_t positionMs = 0;
  bool valid = false;  // saved with its list complete
  // The open feed's episodes, parallel to the list, and its title (library mode only).
  std::vector<podcast::Episode> episodes;
  std::wstring feedTitle;
};

// What the player tells its window, and asks it. Every hook may be left empty.
struct PlayerHooks {
  std::function<void()> changed;                      // refresh the window and the media controls
  std::function<void(int64_t, int64_t)> rowsChanged;  // repaint these rows (-1: none)
  std::function<void(int64_t row, bool select)> listChanged;  // new row count; show or select row
  // The audiobook question (the full text); true for yes. Without it the answer is yes.
  std::function<bool(const std::wstring&)> confirm;
  // Adds what the window keeps of itself (its modes, opacity and rectangles) to the record
  // being saved.
  std::function<void(Settings&)> windowSettings;
  // Milliseconds of a steady clock; GetTickCount64 when empty.
  std::function<uint64_t()> clock;
};

class Player {
 public:
  static constexpr UINT_PTR kTickTimer = 1;
  static constexpr UINT_PTR kNoticeTimer = 2;  // repaints when a notice runs out
  static constexpr UINT kTickMs = 200;
  static constexpr uint64_t kNoticeMs = 8000;
  static constexpr uint32_t kFileScanIdBit = 0x80000000u;

  Player(HWND window, const Settings& settings, StartOptions options, std::wstring settingsPath);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  void setHooks(PlayerHooks hooks);

  // What the window draws.
  PlayerView view() const;
  const TrackList& trackList() const { return list; }
  const std::vector<Settings::Position>& rememberedPositions() const { return positions; }
  // The position of the playing track: the output's while it plays it, else the player's own.
  uint64_t currentPositionFrames() const;
  uint64_t positionMs() const;
  bool canSeek() const;
  uint64_t positionFor(const std::wstring& path) const;
  std::wstring backToLabel() const;  // empty when there is nothing to go back to
  std::wstring chapterName(size_t index) const;

  // The loader and scanner threads (the window's deferred start). False when one of them
  // could not be started.
  bool startWorkers();
  // While the system media controls are active they deliver the media keys themselves.
  void setMediaControlsActive(bool active);
  // Starts the system media controls: the platform's own for the window when platform is
  // empty. True when they are active afterwards.
  bool startMediaControls(std::unique_ptr<smtc::Platform> platform = nullptr);
  // Pushes what changed to the media controls (after every refresh).
  void updateMediaControls();
  // Previous and next are offered there only outside audiobook mode.
  void offerMediaPreviousNext();

  // Playback control.
  void playIndex(int64_t index, const std::wstring& path, bool startPaused,
                 uint64_t startPositionMs);
  void playPause();
  void play();
  void pause();
  void next();
  void previous();
  void seekTo(uint64_t ms);
  void seekToStart();
  void jumpToFraction(double fraction);  // a place on the seek bar
  void setShuffle(bool on);
  void cycleRepeat();
  void setVolume(int volume);
  void changeVolume(int steps);
  void onWheel(int delta);
  void playRow(int64_t row);  // a row chosen in the list (double click)
  void goToChapter(size_t index);

  // Worker results and the timers.
  void onTimer();
  void onNoticeTimer();
  void onLoadDone(std::unique_ptr<LoadResult> result);
  void onScanProgress(uint32_t scanId, uint64_t count);
  void onScanDone(std::unique_ptr<ScanResult> result);
  void onTitles(std::unique_ptr<ScanTitleBatch> batch);
  void onMediaButton(MediaButton button);
  // WM_APPCOMMAND's command; false leaves it to default processing.
  bool onAppCommand(int command);

  // Opening folders and list changes.
  void openPath(const std::wstring& path, bool includeSubfolders, bool playWhenReady);
  // Paths from the command line, a drop or a second instance; true when one was opened.
  bool openPaths(const std::vector<std::wstring>& paths);
  void rescan();
  void setIncludeSubfolders(bool on);  // and reads the open folder again
  void removeRow(int64_t index);

  // Audio CDs (cd_playback.cpp): reading a drive's disc, and its tracks becoming the list.
  void playCd(wchar_t drive);
  void onCdDone(std::unique_ptr<cd::DiscResult> result);

  // Stations (stations.cpp).
  void addStation(const std::wstring& name, const std::wstring& url);
  void removeStation(int64_t index);
  void playStation(int64_t index);
  void stopRadio();
  void onRadioEvent(std::unique_ptr<RadioEvent> event);

  // Start-up: the deferred start (WM_APP_START) and the restore of the last session.
  void onStart();
  void restoreSession(const std::wstring& stationUrl, const std::wstring& podcastUrl,
                      const std::wstring& trackPath, uint64_t positionMs);

  // Podcasts (podcasts.cpp). A feed's episodes become the list when its download is done.
  void openFeed(const std::wstring& url, bool subscribe);
  void onFeedDone(std::unique_ptr<podcast::FeedResult> result);
  // A feed URL the user entered: a stored podcast opens, another one is subscribed to once its
  // feed loads (below the limit). Ignored in audiobook mode.
  void addPodcast(const std::wstring& url);
  void openPodcast(size_t index);
  void removePodcast(size_t index);
  const std::vector<Settings::Podcast>& podcastList() const { return podcasts; }
  const std::vector<podcast::Episode>& episodeList() const { return episodes; }
  // What the list shows for a row: the display name, an episode heard to its end marked.
  std::wstring rowText(size_t row) const;
  bool rowUnplayable(int64_t row) const;  // an episode the player cannot decode

  // Audiobook mode and resume positions.
  // Asks (in audiobook mode, with a track loaded and playing or paused) whether to leave the
  // listener's place; a yes writes the place left to the log and to "Back to".
  bool confirm(const std::wstring& prompt);
  void setAudiobookMode(bool on);
  void backTo();
  void storePosition(const std::wstring& path, uint64_t ms);
  // Opens the listening log (audiobook mode) and applies what it says: the "Back to" record
  // and, after a crash, the remembered position.
  LogSummary openListeningLog();

  // The save operation: the record built from the live state, written whole.
  Settings buildSettings();
  bool save();

  // Window destruction: every worker stopped and joined, every queued record freed.
  void shutdown();

 private:
  // playback.cpp
  // Opens the device when it is not open yet and notes its rate; false (and Failed with its
  // message) without one.
  bool openOutput();
  void playCurrent();
  void startListTrack();
  NowPlaying makeRecord(const LoadResult& result, int64_t index);
  void preloadNext();
  void cancelPreload();
  void resume();
  void halt(PlayState newState);
  void checkTrackSwitch();
  void seekFrames(uint64_t frames);
  void stopAtEnd();
  void restartTrack();
  void setLoopFlag();
  // chapters.cpp
  bool chaptersUsable() const;
  bool nextChapter();
  bool previousChapter();
  void seekToChapter(size_t index);
  // podcasts.cpp
  void installEpisodes(podcast::FeedResult& result);
  bool refuseUnplayable(int64_t row);  // shows why the row does not play
  void stopFeed();                     // the download ends, its result is no longer awaited
  // resume_positions.cpp
  void rememberPosition();
  void markHeard(const std::wstring& path);
  // audiobook.cpp
  bool localTrackLoaded() const;  // not a station or CD track, with a known rate
  void logEvent(LogEvent event, uint64_t positionMs);
  void logPeriodicEvent();
  // media_controls.cpp
  smtc::MediaState mediaState() const;
  // cd_playback.cpp
  void forgetCdRead();
  void applyCdTexts(NowPlaying& record) const;
  // stations.cpp
  void setCurrentStation(int64_t index);
  void applyDueTitles();
  void showStation();
  void playPauseStation();
  void playStationAfter(int64_t step);
  // player.cpp
  uint64_t now() const;
  void setNotice(std::wstring text, uint64_t durationMs);
  void clearPlaying();
  void clearPrepared();
  void freeQueuedRecords();
  void refresh();
  void repaintRows(int64_t a, int64_t b);
  void listChanged(int64_t row, bool select);
  int32_t takeId();

  PlayerHooks hooks;

  HWND window;
  StartOptions options;
  std::wstring settingsPath;
  Settings settings;  // as last saved (or read at start-up)
  TrackList list;
  PlayState playState = PlayState::Idle;
  int32_t nextId = 1;
  bool shuffle = false;
  RepeatMode repeat = RepeatMode::Off;
  int volume = 100;
  float gain = 1.0f;
  bool loopFlag = false;
  PendingLoad load;
  PendingPreload preload;
  NowPlaying playing;
  NowPlaying prepared;
  uint64_t positionFrames = 0;
  int32_t lastSeenTrackSwitch = 0;
  uint32_t deviceSampleRate = 0;
  int unplayableCount = 0;
  std::wstring statusMessage;
  Notice notice;
  uint32_t listScanId = 0;
  std::vector<uint64_t> removedScanIndices;

  // The settings lists.
  std::vector<Settings::Station> stations;
  std::vector<Settings::Position> positions;  // most recent first
  std::vector<Settings::Podcast> podcasts;
  std::vector<std::wstring> heard;  // most recent first

  // Modes: the live source and the saved context of the other mode.
  bool audiobook = false;
  std::wstring sourceFolder;
  bool includeSubfolders = true;
  std::wstring stationUrl;  // library mode: the last station
  std::wstring feedUrl;     // library mode: the open podcast feed
  ModeContext otherContext;

  // Opening folders.
  bool playWhenReady = false;
  uint32_t pendingScanId = 0;
  uint32_t fileScanCounter = 0;
  uint64_t scanProgress = 0;
  RestoreTarget restore;

  // Podcasts: the one feed download, the request it answers, the open feed's episodes.
  podcast::FeedDownload feedDownload;
  int32_t pendingFeedId = 0;  // 0: none awaited
  int32_t feedCounter = 0;
  bool feedSubscribe = false;
  std::wstring feedTitle;
  std::vector<podcast::Episode> episodes;  // parallel to the list while a feed is open

  // Sources that are not folders; the stations, podcasts and CD work sets these.
  int64_t currentStation = -1;
  CdSource cd;
  int32_t cdRequestId = 0;  // 0: no disc read awaited
  int32_t cdCounter = 0;
  RadioState radio;
  bool mediaControlsActive = false;
  smtc::Controls mediaControls;

  WheelAccumulator wheel;

  // Audiobook mode: the "Back to" record, the listening log and the time of its last event,
  // the book that was open before the current one.
  UndoRecord undo;
  ListeningLog listeningLog;
  uint64_t lastLogEventMs = 0;  // clock time of the last written event
  std::wstring previousBookPath;

  // Workers and the output.
  LoadQueue loader;
  scanner::Scanner folderScanner;
  cd::DiscReader cdReader;
  AudioOutput output;

  bool loaderStarted = false;
  bool shutDown = false;
};
