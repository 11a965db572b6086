#include "Persistent.h"

#include "Exceptions.h"

namespace {

[[noreturn]] void CannotAssign(const TPersistent* source, const TPersistent* dest)
{
    throw EConvertError("Cannot assign a " + (source ? source->ClassName() : std::string("nil")) + " to a " +
                        dest->ClassName());
}

}

void TPersistent::Assign(const TPersistent* source)
{
    if (!source) CannotAssign(source, this);
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    CannotAssign(this, dest);
}
