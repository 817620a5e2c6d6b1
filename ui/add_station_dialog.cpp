#include "ui/add_station_dialog.h"

#include "ui/url_dialog.h"

bool askNewStation(HWND owner, std::wstring& name, std::wstring& url) {
  UrlDialog dialog;
  dialog.resource = kAddStationDialog;
  dialog.nameField = kStationNameField;
  dialog.nameLimit = kStationNameLimit;
  dialog.urlField = kStationUrlField;
  dialog.urlLimit = kStationUrlLimit;
  dialog.hint = kStationHint;
  dialog.link = kStationLink;
  dialog.urlRequired = L"Enter a stream URL that starts with http:// or https://";
  return askUrl(owner, dialog, &name, url);
}
