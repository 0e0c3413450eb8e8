#include "core/document_base.h"

bool CDocumentBase::OnNewDocument()
{
    m_bModified = false;
    m_strPathName.clear();
    m_strTitle = "Untitled";
    return true;
}
