#include "kvnBackEnds.h"
#include "kvnConverterFlags.h"
#include "kvnTaskCheck.h"

TkvnConversionRun::TkvnConversionRun(TkvnTavelomatic& converter, TkvnTavelomaticSettings& settings)
{
    ConverterFlags().LastStateCode = ValidateTask(settings);
    if (ConverterFlags().LastStateCode != kStateAccepted) return;
    ConverterFlags().Running = true;
    try {
        context_ = NewMclUserData(&converter, &settings);
    } catch (...) {
        ConverterFlags().Running = false;
        throw;
    }
}

TkvnConversionRun::~TkvnConversionRun()
{
    if (!context_) return;
    ConverterFlags().Running = false;
    FreeMclUserData(context_);
}
