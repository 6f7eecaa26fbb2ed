// A compensation table uploaded by the controller (1026 bytes, 'H' or 'I' and 256
// floats): the parser, and the table's lookups and printout as the tool shows it.
#include "fuzzInput.h"

#include "calibration/calibrationMath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<float> table;
    if (!CalMath::parseCompensationUpload(bytes, &table))
        return 0;
    for (int raw : {0, 1, 63, 64, 8191, 16383})
        (void)CalMath::interpolateTable(table, raw);
    (void)CalMath::compensationTableText(QStringLiteral("校准数据\n\n"), table, 0.0f, 0, 0, 0, 16383);
    return 0;
}
