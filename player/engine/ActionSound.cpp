#include "ActionSound.h"

#include <algorithm>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionClips.h"
#include "ActionMachine.h"
#include "Movie.h"
#include "MovieSound.h"
#include "SoundTags.h"

namespace tvmplayer {
namespace {

// The channel of the clip a Sound is made on: the main timeline's own for
// the root, the clip's for another, the whole movie's for none.
uint64_t ChannelOf(ActionMachine& machine, const Value& target)
{
    ScriptObject* clip = nullptr;
    if (target.IsObject() && target.Object->Kind == ObjectKind::Clip)
        clip = target.Object;
    else if (target.IsString())
        clip = machine.FindClip(machine.ToString(target));
    if (!clip)
        return MovieSound::EveryChannel;
    if (clip == machine.Root())
        return MovieSound::TimelineChannel;
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(clip));
}

// The sound a movie exports under name, or null.
std::shared_ptr<const SoundDefinition> Exported(ActionMachine& machine, const std::string& name)
{
    const Movie& movie = machine.CurrentMovie();
    std::optional<uint16_t> id = ExportedId(movie, name);
    auto found = id ? movie.Sounds.Definitions.find(*id) : movie.Sounds.Definitions.end();
    return found == movie.Sounds.Definitions.end() ? nullptr : found->second;
}

double Milliseconds(uint64_t samples)
{
    return std::round(static_cast<double>(samples) * 1000.0 / MixRate);
}

// A number argument, or fallback where it is missing or not a number.
double NumberOr(NativeCall& call, size_t index, double fallback)
{
    if (index >= call.Count() || call.Argument(index).IsUndefined())
        return fallback;
    double number = call.Machine.ToNumber(call.Argument(index));
    return std::isnan(number) ? fallback : number;
}

}

ScriptSounds::Player* ScriptSounds::Find(ScriptObject* object)
{
    auto found = players_.find(object);
    return found == players_.end() ? nullptr : &found->second;
}

ScriptSounds::Settings* ScriptSounds::SettingsOf(ScriptObject* object)
{
    Player* player = Find(object);
    return player ? &settings_[player->Channel] : nullptr;
}

void ScriptSounds::Apply(uint64_t channel)
{
    const Settings& set = settings_[channel];
    double scale = set.Volume / 10000.0;
    sound_.SetLevels(channel, {set.LeftToLeft * scale, set.LeftToRight * scale, set.RightToLeft * scale,
                               set.RightToRight * scale});
}

void ScriptSounds::Install(ActionMachine& machine)
{
    // The members of the objects that setTransform and getTransform take.
    static constexpr std::pair<const char*, double Settings::*> parts[] = {{"ll", &Settings::LeftToLeft},
                                                                           {"lr", &Settings::LeftToRight},
                                                                           {"rl", &Settings::RightToLeft},
                                                                           {"rr", &Settings::RightToRight}};
    ScriptObject* prototype = machine.NewObject();
    keep_ = machine.NewArray();
    prototype->Put("__sounds", Value::FromObject(keep_), DontEnum);
    Constructor(machine, machine.Global(), "Sound", prototype, [this](NativeCall& call) {
        if (!call.Constructing || !call.This)
            return Value();
        // Kept for as long as the movie plays: counted against the frame's memory.
        call.Machine.Allocate(sizeof(Player) + sizeof(Value));
        players_[call.This] = {ChannelOf(call.Machine, call.Argument(0)), nextTag_++, nullptr};
        keep_->Elements.push_back(Value::FromObject(call.This));
        return Value::FromObject(call.This);
    });
    DefineMethod(machine, prototype, "attachSound", [this](NativeCall& call) {
        Player* player = Find(call.This);
        if (!player)
            return Value();
        player->Sound = Exported(call.Machine, call.Machine.ToString(call.Argument(0)));
        const SoundDefinition* sound = player->Sound.get();
        call.This->Put("duration", sound ? Value::FromNumber(Milliseconds(At44kHz(sound->SampleCount, sound->Format.Rate))) : Value());
        call.This->Put("position", sound ? Value::FromNumber(0) : Value());
        return Value();
    });
    DefineMethod(machine, prototype, "start", [this](NativeCall& call) {
        Player* player = Find(call.This);
        if (!player || !player->Sound)
            return Value();
        SoundInfo info;
        double offset = std::clamp(NumberOr(call, 0, 0), 0.0, 86400.0);
        info.InPoint = static_cast<uint32_t>(offset * MixRate);
        info.Loops = static_cast<uint16_t>(std::clamp(NumberOr(call, 1, 1), 1.0, 65535.0));
        sound_.StartScripted(player->Sound, std::move(info), player->Channel, player->Tag);
        return Value();
    });
    DefineMethod(machine, prototype, "stop", [this](NativeCall& call) {
        Player* player = Find(call.This);
        if (!player)
            return Value();
        if (call.Count() == 0 || call.Argument(0).IsUndefined())
            sound_.StopScripted(player->Channel, std::nullopt);
        else if (auto sound = Exported(call.Machine, call.Machine.ToString(call.Argument(0))))
            sound_.StopScripted(player->Channel, sound->Id);
        return Value();
    });
    DefineMethod(machine, prototype, "setVolume", [this](NativeCall& call) {
        if (Player* player = Find(call.This)) {
            settings_[player->Channel].Volume = std::max(0.0, NumberOr(call, 0, 0));
            Apply(player->Channel);
        }
        return Value();
    });
    DefineMethod(machine, prototype, "getVolume", [this](NativeCall& call) {
        const Settings* set = SettingsOf(call.This);
        return set ? Value::FromNumber(set->Volume) : Value();
    });
    // A pan takes from the side away from which it turns.
    DefineMethod(machine, prototype, "setPan", [this](NativeCall& call) {
        if (Player* player = Find(call.This)) {
            double pan = std::clamp(NumberOr(call, 0, 0), -100.0, 100.0);
            Settings& set = settings_[player->Channel];
            set.LeftToLeft = pan > 0 ? 100 - pan : 100;
            set.RightToRight = pan < 0 ? 100 + pan : 100;
            set.LeftToRight = set.RightToLeft = 0;
            Apply(player->Channel);
        }
        return Value();
    });
    DefineMethod(machine, prototype, "getPan", [this](NativeCall& call) {
        const Settings* set = SettingsOf(call.This);
        return set ? Value::FromNumber(set->RightToRight - set->LeftToLeft) : Value();
    });
    DefineMethod(machine, prototype, "setTransform", [this](NativeCall& call) {
        Player* player = Find(call.This);
        const Value& given = call.Argument(0);
        if (!player || !given.IsObject())
            return Value();
        Settings& set = settings_[player->Channel];
        for (const auto& [name, part] : parts) {
            Value value = call.Machine.GetMember(given, name);
            double number = value.IsUndefined() ? NAN : call.Machine.ToNumber(value);
            if (!std::isnan(number))
                set.*part = number;
        }
        Apply(player->Channel);
        return Value();
    });
    DefineMethod(machine, prototype, "getTransform", [this](NativeCall& call) {
        const Settings* set = SettingsOf(call.This);
        if (!set)
            return Value();
        ScriptObject* transform = call.Machine.NewObject();
        for (const auto& [name, part] : parts) transform->Put(name, Value::FromNumber(set->*part));
        return Value::FromObject(transform);
    });
}

void ScriptSounds::Run(ActionMachine& machine)
{
    std::map<uint32_t, ScriptObject*> byTag;
    for (auto& [object, player] : players_) {
        byTag[player.Tag] = object;
        if (std::optional<uint64_t> position = sound_.Position(player.Tag))
            object->Put("position", Value::FromNumber(Milliseconds(*position)));
    }
    for (uint32_t tag : sound_.TakeCompleted()) {
        // An earlier handler may have replaced the movie and its objects.
        auto found = byTag.find(tag);
        if (found == byTag.end() || !players_.contains(found->second))
            continue;
        Value handler = machine.GetMember(Value::FromObject(found->second), "onSoundComplete");
        if (handler.IsObject() && handler.Object->IsFunction())
            machine.CallFromOutside(handler, found->second, {});
    }
}

void ScriptSounds::Reset()
{
    players_.clear();
    settings_.clear();
    keep_ = nullptr;
}

}
