#include "net/podcast/feed_parser.h"

#include <windows.h>
#include <wrl/client.h>
#include <xmllite.h>

#include <string>

#include "base/scoped_win.h"
#include "net/podcast/feed_builder.h"
#include "net/podcast/feed_texts.h"
#include "net/podcast/xml_input_win.h"

namespace podcast {

namespace {

using Microsoft::WRL::ComPtr;
using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

struct XmlLite {
  base::ScopedModule module;
  CreateXmlReaderFunction createReader = nullptr;
};

// Loaded once, from the system folder only; the outcome is kept for the process.
const XmlLite& xmlLite() {
  static const XmlLite library = [] {
    XmlLite lib;
    lib.module.reset(LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (lib.module) {
      const FARPROC proc = GetProcAddress(lib.module.get(), "CreateXmlReader");
      lib.createReader =
          reinterpret_cast<CreateXmlReaderFunction>(reinterpret_cast<void (*)()>(proc));
    }
    return lib;
  }();
  return library;
}

std::wstring_view view(const wchar_t* s, UINT length) {
  return s ? std::wstring_view(s, length) : std::wstring_view();
}

// The url and type attributes (no namespace) of the element the reader is on.
bool passEnclosure(IXmlReader* reader, FeedBuilder& builder) {
  std::wstring url, type;
  HRESULT hr = reader->MoveToFirstAttribute();
  while (hr == S_OK) {
    const wchar_t* name = nullptr;
    const wchar_t* ns = nullptr;
    const wchar_t* value = nullptr;
    UINT nameLength = 0, nsLength = 0, valueLength = 0;
    if (FAILED(reader->GetLocalName(&name, &nameLength)) ||
        FAILED(reader->GetNamespaceUri(&ns, &nsLength)) ||
        FAILED(reader->GetValue(&value, &valueLength))) {
      return false;
    }
    if (nsLength == 0) {
      const std::wstring_view localName = view(name, nameLength);
      if (localName == L"url") url = view(value, valueLength);
      if (localName == L"type") type = view(value, valueLength);
    }
    hr = reader->MoveToNextAttribute();
  }
  if (FAILED(hr) || FAILED(reader->MoveToElement())) return false;
  builder.enclosure(url, type);
  return true;
}

// Feeds the reader's nodes to the builder until it is done or the input ends; false on a
// reader error.
bool readNodes(IXmlReader* reader, FeedBuilder& builder) {
  XmlNodeType type = XmlNodeType_None;
  HRESULT hr;
  while ((hr = reader->Read(&type)) == S_OK) {
    switch (type) {
      case XmlNodeType_Element: {
        const wchar_t* name = nullptr;
        const wchar_t* ns = nullptr;
        UINT nameLength = 0, nsLength = 0;
        if (FAILED(reader->GetLocalName(&name, &nameLength)) ||
            FAILED(reader->GetNamespaceUri(&ns, &nsLength))) {
          return false;
        }
        const bool empty = reader->IsEmptyElement() != FALSE;
        if (builder.startElement(view(name, nameLength), view(ns, nsLength), empty) &&
            !passEnclosure(reader, builder)) {
          return false;
        }
        break;
      }
      case XmlNodeType_EndElement:
        builder.endElement();
        break;
      case XmlNodeType_Text:
      case XmlNodeType_CDATA:
      case XmlNodeType_Whitespace:
        if (builder.collecting()) {
          const wchar_t* value = nullptr;
          UINT length = 0;
          if (FAILED(reader->GetValue(&value, &length))) return false;
          builder.text(view(value, length));
        }
        break;
      default:
        break;
    }
    if (builder.done()) return true;
  }
  return hr == S_FALSE;
}

}  // namespace

void parseFeedBody(std::string_view body, FeedResult& out) {
  out.title.clear();
  out.episodes.clear();
  out.error.clear();
  if (body.empty() || body.size() > kMaxFeedBytes) {
    out.error = kNotAFeed;
    return;
  }
  const XmlLite& library = xmlLite();
  if (!library.createReader) {
    out.error = kXmlLiteMissing;
    return;
  }
  const ComPtr<ISequentialStream> stream = openXmlInput(body);
  ComPtr<IXmlReader> reader;
  if (!stream ||
      FAILED(library.createReader(__uuidof(IXmlReader),
                                  reinterpret_cast<void**>(reader.GetAddressOf()), nullptr))) {
    out.error = kOutOfMemory;
    return;
  }
  FeedBuilder builder;
  const bool ready =
      SUCCEEDED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) &&
      SUCCEEDED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxElementDepth)) &&
      SUCCEEDED(reader->SetInput(stream.Get()));
  const bool readerFailed = !ready || !readNodes(reader.Get(), builder);
  builder.finish(readerFailed, out);
}

}  // namespace podcast
