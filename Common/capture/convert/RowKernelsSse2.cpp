// Sse2 row kernels (being written: the scalar loops for now).
#include "Common/capture/convert/RowKernels.h"

namespace Common::Convert
{

const RowKernels& GetSse2RowKernels()
{
    static const RowKernels kernels = []
    {
        RowKernels table = GetScalarRowKernels();
        table.variant = KernelVariant::Sse2;
        table.name = "sse2";
        return table;
    }();
    return kernels;
}

} // namespace Common::Convert
