// What the benchmarks of documents and exports share: a stream that counts
// and discards, and the untimed clean-up between loads.
#pragma once

#include "core/art_doc.h"

#include <cstddef>
#include <streambuf>

namespace gwdocbench {

// Counts what is written and keeps none of it.
class CDiscardBuf : public std::streambuf {
public:
    std::size_t Count() const { return m_nCount; }

protected:
    std::streamsize xsputn(const char* /*s*/, std::streamsize n) override
    {
        m_nCount += static_cast<std::size_t>(n);
        return n;
    }
    int_type overflow(int_type ch) override
    {
        if (!traits_type::eq_int_type(ch, traits_type::eof()))
            ++m_nCount;
        return traits_type::not_eof(ch);
    }

private:
    std::size_t m_nCount = 0;
};

// A load destroys the previous drawing's stores; a run of many loads would
// time that as well as the open. A new drawing of one frame takes their
// place between iterations, untimed.
inline void DestroyStores(CArtDoc& doc)
{
    doc.OnNewDocument();
}

} // namespace gwdocbench
