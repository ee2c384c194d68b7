// Avx2 row kernels (being written: the scalar loops for now).
#include "Common/capture/convert/RowKernels.h"

namespace Common::Convert
{

const RowKernels& GetAvx2RowKernels()
{
    static const RowKernels kernels = []
    {
        RowKernels table = GetScalarRowKernels();
        table.variant = KernelVariant::Avx2;
        table.name = "avx2";
        return table;
    }();
    return kernels;
}

} // namespace Common::Convert
