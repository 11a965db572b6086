#include "ActionStage.h"

#include "ActionBuiltins.h"
#include "ActionMachine.h"
#include "Movie.h"

namespace tvmplayer {
namespace {

Value Nothing(NativeCall&)
{
    return Value();
}

Value No(NativeCall&)
{
    return Value::Boolean(false);
}

// Listeners are kept by no one: nothing they wait for ever comes.
void DefineListeners(ActionMachine& machine, ScriptObject* object)
{
    DefineMethod(machine, object, "addListener", No);
    DefineMethod(machine, object, "removeListener", No);
}

}

void InstallStage(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* stage = machine.NewObject();
    global->Put("Stage", Value::FromObject(stage), DontEnum);
    const Movie& movie = machine.CurrentMovie();
    stage->Put("width", Value::FromNumber(movie.StageWidth()), DontEnum | ReadOnly);
    stage->Put("height", Value::FromNumber(movie.StageHeight()), DontEnum | ReadOnly);
    stage->Put("scaleMode", Value::FromString("showAll"), DontEnum);
    stage->Put("align", Value::FromString(""), DontEnum);
    stage->Put("showMenu", Value::Boolean(true), DontEnum);
    DefineListeners(machine, stage);

    ScriptObject* mouse = machine.NewObject();
    global->Put("Mouse", Value::FromObject(mouse), DontEnum);
    DefineMethod(machine, mouse, "hide", Nothing);
    DefineMethod(machine, mouse, "show", Nothing);
    DefineListeners(machine, mouse);

    ScriptObject* key = machine.NewObject();
    global->Put("Key", Value::FromObject(key), DontEnum);
    const std::pair<const char*, double> codes[] = {
        {"BACKSPACE", 8}, {"TAB", 9},    {"ENTER", 13},     {"SHIFT", 16},   {"CONTROL", 17},  {"CAPSLOCK", 20},
        {"ESCAPE", 27},   {"SPACE", 32}, {"PGUP", 33},      {"PGDN", 34},    {"END", 35},      {"HOME", 36},
        {"LEFT", 37},     {"UP", 38},    {"RIGHT", 39},     {"DOWN", 40},    {"INSERT", 45},   {"DELETEKEY", 46},
    };
    // Before the methods, which are made only when a script first uses Key.
    for (const auto& [name, code] : codes) key->Put(name, Value::FromNumber(code), DontEnum | ReadOnly);
    DefineMethod(machine, key, "isDown", No);
    DefineMethod(machine, key, "isToggled", No);
    DefineMethod(machine, key, "getCode", [](NativeCall&) { return Value::FromNumber(0); });
    DefineMethod(machine, key, "getAscii", [](NativeCall&) { return Value::FromNumber(0); });
    DefineListeners(machine, key);
}

}
