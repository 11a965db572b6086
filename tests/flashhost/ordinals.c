// A library that exports its one function by ordinal only, so that a module
// linked against it imports that function by ordinal.
int Twice(int value)
{
    return value * 2;
}
