// Opening and making the recovery folder and its files without trusting
// what is in it: another program, or another user where the folder is
// shared, may have put a FIFO, a link or a device under any name.
#pragma once

#include <sys/stat.h>

#include <string>

// Opens a file of the recovery folder for reading without ever waiting on
// it: a FIFO or a device put there must not hang the start, and a link must
// not lead out of the folder. -1 for anything but a regular file (errno
// ENOENT only when nothing has the name).
int OpenRegular(const std::string& strPath, struct stat* pSt = nullptr);

// Whether the owner of the file strLock is known dead: the file is gone, or
// its lock (flock) is free, in which case *pfd holds it (-1 otherwise) until
// the caller closes it, so the owner cannot come alive meanwhile. A file
// that is not a regular one, cannot be read, or was replaced while being
// taken says nothing: its owner is left be.
bool TakeDeadLock(const std::string& strLock, int* pfd);

// A regular file of at most nMax bytes, read whole. False for anything else.
bool ReadSmallFile(const std::string& strPath, off_t nMax, std::string* pText);

// Creates the folder (0700, parents included) and makes it private. A folder
// that is a link is used with its mode as it is, and refused when its target
// belongs to someone else. False, with the reason, when it cannot be used.
bool MakeRecoveryFolder(const std::string& strFolder, std::string* pError);
