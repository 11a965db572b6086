#pragma once
// The Sound object of ActionScript 2: exported sounds that scripts attach
// and start, and the volume, pan and channel levels of the sounds of one
// clip, or with no clip of the whole movie.
#include <cstdint>
#include <map>
#include <memory>

#include "ActionObject.h"
#include "SoundData.h"

namespace tvmplayer {

class ActionMachine;
class MovieSound;

class ScriptSounds {
public:
    explicit ScriptSounds(MovieSound& sound) : sound_(sound) {}
    // The Sound constructor goes into the machine's globals.
    void Install(ActionMachine& machine);
    // Each object's position is brought up to date, and the objects whose
    // sound has ended hear onSoundComplete.
    void Run(ActionMachine& machine);
    // Every object is forgotten: its machine is going.
    void Reset();

private:
    // A channel's settings in percent, as the scripts read them back.
    struct Settings {
        double Volume = 100;
        double LeftToLeft = 100, LeftToRight = 0, RightToLeft = 0, RightToRight = 100;
    };
    struct Player {
        uint64_t Channel = 0;
        uint32_t Tag = 0;
        std::shared_ptr<const SoundDefinition> Sound;
    };

    Player* Find(ScriptObject* object);
    // The settings of the channel of a Sound object; null for another object.
    Settings* SettingsOf(ScriptObject* object);
    void Apply(uint64_t channel);

    MovieSound& sound_;
    // Keeps the Sound objects reachable, for their onSoundComplete.
    ScriptObject* keep_ = nullptr;
    std::map<ScriptObject*, Player> players_;
    std::map<uint64_t, Settings> settings_;
    uint32_t nextTag_ = 1;
};

}
