// Date: milliseconds since 1970 in universal time. The player's conversions
// run without a time zone, so local time is universal time here.
#include <cmath>
#include <ctime>

#include "ActionBuiltins.h"
#include "ActionMachine.h"

namespace tvmplayer {
namespace {

constexpr double MsPerDay = 86400000.0;

struct Civil {
    double Year, Month, Day, Hours, Minutes, Seconds, Milliseconds, Weekday;
};

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
double DaysFromCivil(double year, double month, double day)
{
    year += std::floor(month / 12);
    month = std::fmod(month, 12);
    if (month < 0)
        month += 12;
    double y = month < 2 ? year - 1 : year;
    double era = std::floor(y / 400);
    double yearOfEra = y - era * 400;
    double m = month + 1;
    double dayOfYear = std::floor((153 * (m > 2 ? m - 3 : m + 9) + 2) / 5) + day - 1;
    double dayOfEra = yearOfEra * 365 + std::floor(yearOfEra / 4) - std::floor(yearOfEra / 100) + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

Civil ToCivil(double time)
{
    double days = std::floor(time / MsPerDay);
    double rest = time - days * MsPerDay;
    double z = days + 719468;
    double era = std::floor(z / 146097);
    double dayOfEra = z - era * 146097;
    double yearOfEra = std::floor((dayOfEra - std::floor(dayOfEra / 1460) + std::floor(dayOfEra / 36524)
                                   - std::floor(dayOfEra / 146096)) / 365);
    double dayOfYear = dayOfEra - (365 * yearOfEra + std::floor(yearOfEra / 4) - std::floor(yearOfEra / 100));
    double mp = std::floor((5 * dayOfYear + 2) / 153);
    double day = dayOfYear - std::floor((153 * mp + 2) / 5) + 1;
    double month = mp < 10 ? mp + 2 : mp - 10;
    double year = yearOfEra + era * 400 + (month < 2 ? 1 : 0);
    double weekday = std::fmod(days + 4, 7);
    if (weekday < 0)
        weekday += 7;
    return {year, month, day, std::floor(rest / 3600000), std::floor(std::fmod(rest, 3600000) / 60000),
            std::floor(std::fmod(rest, 60000) / 1000), std::fmod(rest, 1000), weekday};
}

double MakeTime(NativeCall& call, size_t first)
{
    double parts[7] = {1970, 0, 1, 0, 0, 0, 0};
    for (size_t i = 0; i < 7 && first + i < call.Count(); ++i)
        parts[i] = ToInteger(call.Machine.ToNumber(call.Arguments[first + i]));
    if (parts[0] >= 0 && parts[0] < 100)
        parts[0] += 1900;
    return DaysFromCivil(parts[0], parts[1], parts[2]) * MsPerDay + parts[3] * 3600000 + parts[4] * 60000
           + parts[5] * 1000 + parts[6];
}

double TimeOf(NativeCall& call)
{
    double time = call.This && call.This->Kind == ObjectKind::Date ? call.This->Primitive.Number : std::nan("");
    // Past about 275,000 years either way a date is no date.
    return std::fabs(time) <= 8.64e15 ? time : std::nan("");
}

}

void InstallDate(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.Protos.Date;
    ScriptObject* constructor = machine.NewFunction(
        [](NativeCall& call) {
            double time;
            if (call.Count() == 0) {
                // Seconds are enough for a clock, and the system's plain
                // calendar time is the one clock the host does not bind.
                time = static_cast<double>(std::time(nullptr)) * 1000;
            } else if (call.Count() == 1) {
                time = call.Machine.ToNumber(call.Argument(0));
            } else {
                time = MakeTime(call, 0);
            }
            ScriptObject* date = call.Constructing && call.This ? call.This : call.Machine.NewObject(call.Machine.Protos.Date);
            date->Kind = ObjectKind::Date;
            date->Primitive = Value::FromNumber(time);
            return Value::FromObject(date);
        },
        prototype);
    global->Put("Date", Value::FromObject(constructor), DontEnum);
    DefineMethod(machine, constructor, "UTC", [](NativeCall& call) { return Value::FromNumber(MakeTime(call, 0)); });

    using Part = double Civil::*;
    const std::pair<const char*, Part> parts[] = {
        {"FullYear", &Civil::Year},       {"Month", &Civil::Month},     {"Date", &Civil::Day},
        {"Day", &Civil::Weekday},         {"Hours", &Civil::Hours},     {"Minutes", &Civil::Minutes},
        {"Seconds", &Civil::Seconds},     {"Milliseconds", &Civil::Milliseconds},
    };
    for (const auto& [name, member] : parts) {
        NativeFunction getter = [part = member](NativeCall& call) {
            double time = TimeOf(call);
            return Value::FromNumber(std::isfinite(time) ? ToCivil(time).*part : std::nan(""));
        };
        DefineMethod(machine, prototype, ("get" + std::string(name)).c_str(), getter);
        DefineMethod(machine, prototype, ("getUTC" + std::string(name)).c_str(), getter);
    }
    DefineMethod(machine, prototype, "getYear", [](NativeCall& call) {
        return Value::FromNumber(ToCivil(TimeOf(call)).Year - 1900);
    });
    auto getTime = [](NativeCall& call) { return Value::FromNumber(TimeOf(call)); };
    DefineMethod(machine, prototype, "getTime", getTime);
    DefineMethod(machine, prototype, "valueOf", getTime);
    DefineMethod(machine, prototype, "getTimezoneOffset", [](NativeCall&) { return Value::FromNumber(0); });
    DefineMethod(machine, prototype, "setTime", [](NativeCall& call) {
        if (call.This && call.This->Kind == ObjectKind::Date)
            call.This->Primitive = Value::FromNumber(call.Machine.ToNumber(call.Argument(0)));
        return Value::FromNumber(TimeOf(call));
    });
    DefineMethod(machine, prototype, "toString", [](NativeCall& call) {
        double time = TimeOf(call);
        if (!std::isfinite(time))
            return Value::FromString("Invalid Date");
        static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        Civil c = ToCivil(time);
        char text[64];
        std::snprintf(text, sizeof text, "%s %s %d %02d:%02d:%02d GMT+0000 %d", days[static_cast<int>(c.Weekday)],
                      months[static_cast<int>(c.Month)], static_cast<int>(c.Day), static_cast<int>(c.Hours),
                      static_cast<int>(c.Minutes), static_cast<int>(c.Seconds), static_cast<int>(c.Year));
        return Value::FromString(text);
    });
}

}
