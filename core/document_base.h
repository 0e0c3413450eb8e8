// What every document has regardless of its content: the modified flag, the
// file path and the title shown in the main window.
#pragma once

#include <string>

class CDocumentBase {
public:
    virtual ~CDocumentBase() = default;

    bool IsModified() const { return m_bModified; }
    virtual void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& strPath) { m_strPathName = strPath; }
    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& strTitle) { m_strTitle = strTitle; }

    // Starts a new, untitled document; a derived class resets its content.
    virtual bool OnNewDocument();

private:
    bool m_bModified = false;
    std::string m_strPathName;
    std::string m_strTitle = "Untitled";
};
