// The default shared folders of Windows Vista and later: the public Videos, Pictures, Documents
// and Music known folders, wherever the system keeps them.

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/windows/wide_text.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

class KnownUserFolders : public UserFolders {
 public:
  std::vector<std::string> DefaultSharedFolders() override {
    std::vector<std::string> folders;
    for (const KNOWNFOLDERID* id : {&FOLDERID_PublicVideos, &FOLDERID_PublicPictures,
                                    &FOLDERID_PublicDocuments, &FOLDERID_PublicMusic}) {
      wchar_t* path = nullptr;
      if (SUCCEEDED(::SHGetKnownFolderPath(*id, KF_FLAG_DONT_VERIFY, nullptr, &path))) {
        DWORD attributes = ::GetFileAttributesW(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
          folders.push_back(Utf8FromWide(path));
      }
      ::CoTaskMemFree(path);
    }
    return folders;
  }
};

}  // namespace

std::unique_ptr<UserFolders> CreateKnownUserFolders() { return std::make_unique<KnownUserFolders>(); }

}  // namespace vantaro::platform
