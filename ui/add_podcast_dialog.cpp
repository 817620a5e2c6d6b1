#include "ui/add_podcast_dialog.h"

#include "ui/url_dialog.h"

bool askFeedUrl(HWND owner, std::wstring& url) {
  UrlDialog dialog;
  dialog.resource = kAddPodcastDialog;
  dialog.urlField = kIdFeedUrl;
  dialog.urlLimit = static_cast<int>(kMaxFeedUrlLength);
  dialog.hint = kIdFeedHint;
  dialog.link = kIdFeedLink;
  dialog.urlRequired = kFeedUrlRequired;
  return askUrl(owner, dialog, nullptr, url);
}
