#include "core/image_convert.h"

// Placeholder bodies; the conversion replaces them.
CColorMatrix BuildColorMatrix(float, float, float) { return {}; }
void ApplyColorMatrix(const CColorMatrix&, const uint8_t*, uint8_t*, std::size_t) {}
CConvertLayout ConvertLayout(int, int, const CImageConvertParams&) { return {}; }
uint8_t ConvertChar(int, const CImageConvertParams&) { return ' '; }
int ConvertImage(const CPictureView&, const CImageConvertParams&, ICellWriter&, const std::function<void(int)>&)
{
    return 0;
}
