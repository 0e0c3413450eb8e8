// The frames of a ".gwp" file for the animated page, read into a buffer of
// their own (which also gives the cells the alignment the file's bytes cannot
// promise): one frame at a time, or, reading ahead, a few MiB of frames at a
// time, the next few read on a thread of their own while the current ones
// are written out, so the copying from the system's cache and the making of
// the page overlap.
#pragma once

#include "core/gwp_reader.h"
#include "core/html_export.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Opens the drawing a command reads; empty when it opened, else what to tell
// the user.
std::string OpenDrawing(CGwpFile& file, const std::string& strPath);

class CFileFrameSource : public IAnimFrameSource {
public:
    CFileFrameSource(CGwpFile& file, bool bReadAhead);
    ~CFileFrameSource() override;
    CFileFrameSource(const CFileFrameSource&) = delete;
    CFileFrameSource& operator=(const CFileFrameSource&) = delete;

    int GetFrameCount() const override { return m_file.Header().nFrames; }
    int GetRows() const override { return m_file.Header().nRows; }
    int GetCols() const override { return m_file.Header().nCols; }
    const CharCell* GetFrame(int nIndex) override;
    // Why the last frame could not be read; empty while every one could.
    const std::string& Error() const { return m_strError; }

private:
    void ReaderLoop();
    int ChunkLength(int nFirst) const;
    // Waits until the reader holds no request.
    void WaitForReader(std::unique_lock<std::mutex>& lock);

    CGwpFile& m_file;
    const std::size_t m_nFrameCells;
    const int m_nChunkFrames;
    std::vector<CharCell> m_vCells; // frames m_nFirst to m_nFirst + m_nHeld - 1
    int m_nFirst = 0;
    int m_nHeld = 0;
    std::string m_strError;

    // Reading ahead: the first frame of the chunk asked for (-1: none),
    // whether it is read, and its buffer, which is the reader's while a
    // request is open.
    std::vector<CharCell> m_vAhead;
    int m_nAhead = -1;
    bool m_bAheadDone = false;
    bool m_bAheadOk = false;
    std::string m_strAheadError;
    bool m_bStop = false;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::thread m_reader;
};
