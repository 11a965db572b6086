#include "LoadedMovies.h"

#include "ActionClips.h"
#include "ActionMachine.h"
#include "StageRenderer.h"

namespace tvmplayer {
namespace {

bool IsMovie(const std::vector<uint8_t>& bytes)
{
    return bytes.size() >= 3 && (bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z') && bytes[1] == 'W'
           && bytes[2] == 'S';
}

// A JPEG, PNG or GIF, as a DefineBitsJPEG2 tag may hold it.
constexpr uint16_t PictureTag = 21;

// What a picture is shown by, and what an unloaded clip shows.
std::shared_ptr<Movie> EmptyMovie()
{
    auto movie = std::make_shared<Movie>();
    movie->Characters = std::make_shared<Dictionary>();
    return movie;
}

// The clip's own variables go with what it showed.
void ForgetVariables(PlacedObject& object)
{
    if (ScriptObject* clip = object.Link ? object.Link->Script : nullptr)
        for (const std::string& name : clip->Names()) clip->Remove(name);
}

}

LoadedMovies::~LoadedMovies() = default;

std::optional<MainMovieLoad> LoadedMovies::Run(ActionMachine& machine)
{
    for (const LoadRequest& request : machine.Loads.Take()) {
        if (request.Kind == LoadKind::Variables) {
            LoadVariables(machine, request);
        } else if (request.Level == 0) {
            if (request.Kind == LoadKind::Unload)
                return MainMovieLoad{};
            if (std::optional<MainMovieLoad> main = LoadMovie(machine, request))
                return main;
        } else if (request.Kind == LoadKind::Unload) {
            Unload(machine, request);
        } else {
            LoadMovie(machine, request);
        }
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> LoadedMovies::Fetch(ActionMachine& machine, const std::string& url)
{
    std::string location = ResolveLocation(Location, url);
    std::optional<std::vector<uint8_t>> bytes;
    if (loader_ && !location.empty())
        bytes = loader_->Read(location, MaxMovieBytes);
    if (!bytes) {
        machine.Events().Trace("Error opening URL \"" + location + "\"");
        return std::nullopt;
    }
    // What a frame loads counts against what its scripts may take.
    try {
        machine.Allocate(bytes->size());
    } catch (const ScriptAbort& abort) {
        machine.Events().Trace(abort.what());
        return std::nullopt;
    }
    return bytes;
}

std::optional<LoadedMovies::Content> LoadedMovies::Decode(ActionMachine& machine, const std::string& url,
                                                          std::vector<uint8_t> bytes)
{
    Content content;
    if (IsMovie(bytes)) {
        if (std::optional<Movie> movie = ParseMovie(bytes))
            content.Frames = std::make_shared<Movie>(std::move(*movie));
    } else {
        SwfReader reader(bytes);
        if (std::optional<Bitmap> picture = ReadBitmap(PictureTag, reader, {})) {
            content.Picture = std::make_shared<Bitmap>(std::move(*picture));
            content.Frames = EmptyMovie();
        }
    }
    if (!content.Frames) {
        machine.Events().Trace("\"" + url + "\" is neither a movie nor a picture the player shows.");
        return std::nullopt;
    }
    return content;
}

void LoadedMovies::LoadVariables(ActionMachine& machine, const LoadRequest& request)
{
    std::optional<std::vector<uint8_t>> bytes = Fetch(machine, request.Url);
    std::optional<std::string> text;
    if (bytes) {
        size_t bom = bytes->size() >= 3 && (*bytes)[0] == 0xEF && (*bytes)[1] == 0xBB && (*bytes)[2] == 0xBF ? 3 : 0;
        text.emplace(bytes->begin() + bom, bytes->end());
    }
    if (request.Receiver) {
        LoadVarsArrived(machine, request.Receiver, text);
        return;
    }
    std::shared_ptr<ClipLink> link = request.Level ? nullptr : request.Clip.lock();
    ScriptObject* target = request.Level ? machine.Level(*request.Level) : machine.ClipObject(link);
    if (!text || !target || !target->Clip || target->Clip->Removed())
        return;
    try {
        SetQueryVariables(machine, target, *text);
    } catch (const ScriptAbort& abort) {
        machine.Events().Trace(abort.what());
    } catch (const ScriptThrow&) {
    }
    PlacedObject* placed = target->Clip->Placed();
    if (sprites_.Events && placed)
        sprites_.Events->push_back({target->Clip->Link, 0, ClipData, placed->ClipActions});
}

std::optional<MainMovieLoad> LoadedMovies::LoadMovie(ActionMachine& machine, const LoadRequest& request)
{
    std::optional<std::vector<uint8_t>> bytes = Fetch(machine, request.Url);
    Value size = Value::FromNumber(bytes ? static_cast<double>(bytes->size()) : 0);
    std::optional<Content> content = bytes ? Decode(machine, request.Url, std::move(*bytes)) : std::nullopt;
    if (!content) {
        Tell(machine, request, "onLoadError", {Value::FromString("URLNotFound")});
        return std::nullopt;
    }
    if (request.Level == 0) {
        if (content->Picture) {
            machine.Events().Trace("A picture cannot take the place of the movie: \"" + request.Url + "\"");
            return std::nullopt;
        }
        return MainMovieLoad{std::move(*content->Frames)};
    }
    std::shared_ptr<ClipLink> link = request.Level ? nullptr : request.Clip.lock();
    PlacedObject* placed = link ? link->Object : nullptr;
    if (!request.Level && (!placed || !placed->Children))
        return std::nullopt;
    Tell(machine, request, "onLoadStart");
    Tell(machine, request, "onLoadProgress", {size, size});
    if (request.Level) {
        int32_t number = *request.Level;
        auto level = std::make_unique<PlacedObject>();
        level->Name = "_level" + std::to_string(number);
        level->Link = link = std::make_shared<ClipLink>();
        level->Link->Object = placed = level.get();
        // A level plays as a sprite does: its frames' actions are news.
        Show(machine, *level, 1, *content);
        machine.Loads.Levels[number] = level->Link;
        levels_[number] = std::move(level);
    } else {
        Show(machine, *placed, placed->Children->Nesting(), *content);
    }
    Tell(machine, request, "onLoadComplete");
    if (!sprites_.Events)
        return std::nullopt;
    sprites_.Events->push_back({link, 0, ClipData, placed->ClipActions});
    // Its listeners' onLoadInit comes once the movie's first frame ran.
    if (request.Receiver) {
        RunStageEvents(machine, *sprites_.Events);
        Tell(machine, request, "onLoadInit");
    }
    return std::nullopt;
}

void LoadedMovies::Tell(ActionMachine& machine, const LoadRequest& request, const char* event,
                        std::vector<Value> arguments)
{
    if (!request.Receiver)
        return;
    ScriptObject* clip = request.Level ? machine.Level(*request.Level) : machine.ClipObject(request.Clip.lock());
    arguments.insert(arguments.begin(), clip ? Value::FromObject(clip) : Value());
    BroadcastLoad(machine, request.Receiver, event, std::move(arguments));
}

void LoadedMovies::Show(ActionMachine& machine, PlacedObject& object, int nesting, const Content& content)
{
    ForgetVariables(object);
    // What it held goes before the movie it was made from.
    object.Children.reset();
    object.Drawing.reset();
    object.HasCharacter = false;
    object.Id = 0;
    object.Loaded = content.Frames;
    if (!DisplayList::Replace(object, *content.Frames->Characters, content.Frames->Frames, nesting, sprites_)) {
        machine.Events().Trace("A loaded movie was left out: clips are nested too deeply or are too many.");
        return;
    }
    if (content.Picture)
        object.Children->AddBitmap(0, content.Picture);
}

void LoadedMovies::Unload(ActionMachine& machine, const LoadRequest& request)
{
    if (request.Level) {
        levels_.erase(*request.Level);
        machine.Loads.Levels.erase(*request.Level);
        return;
    }
    std::shared_ptr<ClipLink> link = request.Clip.lock();
    PlacedObject* placed = link ? link->Object : nullptr;
    if (!placed || !placed->Children)
        return;
    Show(machine, *placed, placed->Children->Nesting(), {EmptyMovie(), nullptr});
}

void LoadedMovies::Advance()
{
    for (auto& [number, level] : levels_)
        if (level->Children)
            level->Children->Advance();
}

void LoadedMovies::Sync()
{
    for (auto& [number, level] : levels_)
        if (level->Children)
            level->Children->Sync();
}

bool LoadedMovies::Animated() const
{
    for (const auto& [number, level] : levels_)
        if (level->Children && (level->Children->FrameCount() > 1 || level->Children->Animated()))
            return true;
    return false;
}

void LoadedMovies::Draw(StageRenderer& renderer, const Matrix& toSurface) const
{
    for (const auto& [number, level] : levels_) renderer.DrawStage(*level, toSurface);
}

}
