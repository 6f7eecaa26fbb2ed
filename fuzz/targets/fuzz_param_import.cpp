// The parameter file import: any text taken line by line into the parameter record, and
// the record then shown and exported as the tool does after an import.
#include "fuzzInput.h"

#include "motor/escInf.h"
#include "motor/paramRegisters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    ESC_INF record;
    (void)applyParameterText(text, record);
    (void)recordToWidgetTexts(record, true);
    (void)parameterFileText(record);
    return 0;
}
