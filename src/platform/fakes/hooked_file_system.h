#pragma once
// A file system that runs a test's hook before every call it passes on to a real one, so that a
// test can change the disk at an exact moment of an operation (swap a folder for a link between
// two steps, say). The hook gets the call's name ("List", "OpenFolder", "OpenRead", ...) and the
// entry name or path it was given. Thread-safe as far as the hook is.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vantaro::platform {

using FileSystemHook = std::function<void(const std::string& call, const std::string& name)>;

class HookedFolder : public Folder {
 public:
  HookedFolder(std::unique_ptr<Folder> inner, const FileSystemHook& hook)
      : inner_(std::move(inner)), hook_(hook) {}

  bool List(std::vector<FolderEntry>* entries) override {
    hook_("List", "");
    return inner_->List(entries);
  }
  std::optional<FileStatus> Status(const std::string& name) override {
    hook_("Status", name);
    return inner_->Status(name);
  }
  std::unique_ptr<Folder> OpenFolder(const std::string& name) override {
    hook_("OpenFolder", name);
    return Wrap(inner_->OpenFolder(name));
  }
  bool CreateFolder(const std::string& name) override {
    hook_("CreateFolder", name);
    return inner_->CreateFolder(name);
  }
  std::unique_ptr<FileReader> OpenRead(const std::string& name) override {
    hook_("OpenRead", name);
    return inner_->OpenRead(name);
  }
  std::unique_ptr<FileWriter> CreateNewFile(const std::string& name) override {
    hook_("CreateNewFile", name);
    return inner_->CreateNewFile(name);
  }
  bool CopyFileTo(const std::string& name, Folder& target, const std::string& targetName) override {
    hook_("CopyFileTo", name);
    return inner_->CopyFileTo(name, Unwrap(target), targetName);
  }
  bool MoveTo(const std::string& name, Folder& target, const std::string& targetName) override {
    hook_("MoveTo", name);
    return inner_->MoveTo(name, Unwrap(target), targetName);
  }
  bool DeleteFile(const std::string& name) override {
    hook_("DeleteFile", name);
    return inner_->DeleteFile(name);
  }
  bool RemoveFolder(const std::string& name) override {
    hook_("RemoveFolder", name);
    return inner_->RemoveFolder(name);
  }
  bool SetNormalAttributes(const std::string& name) override {
    hook_("SetNormalAttributes", name);
    return inner_->SetNormalAttributes(name);
  }

  std::unique_ptr<Folder> Wrap(std::unique_ptr<Folder> folder) {
    if (!folder) return nullptr;
    return std::make_unique<HookedFolder>(std::move(folder), hook_);
  }

 private:
  static Folder& Unwrap(Folder& folder) {
    auto* hooked = dynamic_cast<HookedFolder*>(&folder);
    return hooked ? *hooked->inner_ : folder;
  }

  std::unique_ptr<Folder> inner_;
  const FileSystemHook& hook_;
};

class HookedFileSystem : public FileSystem {
 public:
  // `inner` must outlive this object.
  explicit HookedFileSystem(FileSystem& inner) : inner_(inner) {}

  std::optional<FileStatus> Status(const std::string& path) override {
    hook("Status", path);
    return inner_.Status(path);
  }
  std::unique_ptr<Folder> OpenFolderPath(const std::string& path) override {
    hook("OpenFolderPath", path);
    auto folder = inner_.OpenFolderPath(path);
    if (!folder) return nullptr;
    return std::make_unique<HookedFolder>(std::move(folder), hook);
  }

  FileSystemHook hook = [](const std::string&, const std::string&) {};

 private:
  FileSystem& inner_;
};

}  // namespace vantaro::platform
