#pragma once

#include "core/files/DuplicateFiles.h"
#include "core/files/FileInfo.h"
#include "core/files/FileRemover.h"
#include "core/files/FileType.h"
#include "core/files/IgnoresPathExtention.h"
#include "core/files/RemoveOperation.h"
#include "core/files/RemoveType.h"
#include "core/files/ResourceValueURL.h"
#include "core/files/ScanManagerProtocol.h"
#include "core/files/ScanRules.h"
#include "core/files/TreeWalker.h"
#include "core/files/UrlHelpers.h"

namespace orvane::duplicates {

// The duplicate finder works on the shared file records, walker and removal throughout; it
// names them as its own rather than spelling the library on every line.
using files::applicationSize;
using files::DuplicateFiles;
using files::DuplicateFilesPtr;
using files::EntryType;
using files::FileInfo;
using files::FileRemover;
using files::FileType;
using files::fileTypeOfPath;
using files::FreeSpaceReader;
using files::IgnoresPathExtention;
using files::kRemoveErrorChanged;
using files::kRemoveErrorLastCopy;
using files::kRemoveErrorMissing;
using files::kRemoveErrorTrash;
using files::RemovalResult;
using files::RemoveError;
using files::RemoveOperation;
using files::RemoveRunContext;
using files::RemoveType;
using files::ResourceValues;
using files::ResourceValueURL;
using files::ResourceValueURLHash;
using files::ScanManagerProtocol;
using files::ScanRules;
using files::SelectState;
using files::systemFreeSpaceReader;
using files::TreeWalker;
using files::VolumeRegistry;
using files::WalkAction;
using files::WalkEntry;

}  // namespace orvane::duplicates
