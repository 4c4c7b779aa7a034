// One input path into one outcome: classify it, then rename an archive or
// compress a file or folder through the archiver library, one log line per job.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

class JobHost;

enum class PathKind { Unreadable = 1, ZipArchive, SevenZipArchive, PlainFile, Folder };

// The outcome of the most recent job; true at start, untouched by Unreadable paths.
extern bool LastJobSucceeded;

// Lets pending messages run, classifies and runs the job, then tells the shell
// that the source's folder changed. Returns at once when the host is closing.
// The result is the job's, or nothing when no job ran.
std::optional<bool> ProcessPath(JobHost& host, const std::wstring& path);

// A folder first (whatever its name), else the first two bytes of the file:
// "PK" and "7z" are archives; anything else that opens, shorter files included,
// is a plain file.
PathKind ClassifyPath(const std::wstring& path);

bool RenameArchive(JobHost& host, const std::wstring& path);
bool CompressFile(JobHost& host, const std::wstring& source);
bool CompressFolder(JobHost& host, const std::wstring& source);

// Deletes path through host.Shop() as the settings' DeleteMode says, unless the
// path is empty, a root, a wildcard, or names nothing that exists.
void DeleteSource(JobHost& host, const std::wstring& path);

// True when archive is source itself or lies inside it (source a folder):
// deleting the source would then destroy the archive just made.
bool ArchiveInsideSource(const std::wstring& archive, const std::wstring& source);
