#pragma once
// What scripts loaded, fetched through the host's loader a frame after
// they asked: movies and pictures in place of what clips showed, movies on
// levels above the main one, and variables for clips and LoadVars objects.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ActionLoads.h"
#include "DisplayList.h"
#include "Movie.h"
#include "MovieLoader.h"

namespace tvmplayer {

class ActionMachine;
class StageRenderer;

// A load into level 0, which the player carries out itself: the movie that
// replaces the main one, or none when the main one is unloaded.
struct MainMovieLoad {
    std::optional<Movie> Replacement;
};

class LoadedMovies {
public:
    explicit LoadedMovies(SpriteCount& sprites) : sprites_(sprites) {}
    ~LoadedMovies();
    LoadedMovies(const LoadedMovies&) = delete;
    LoadedMovies& operator=(const LoadedMovies&) = delete;

    void SetLoader(MovieLoader* loader) { loader_ = loader; }
    // Where the main movie came from: relative urls lead from its folder.
    std::string Location;

    // Carries out what the scripts asked for before this frame. A load
    // into level 0 is answered, and the loads after it are dropped with
    // the movie that asked for them.
    std::optional<MainMovieLoad> Run(ActionMachine& machine);
    // The levels' timelines move on a frame.
    void Advance();
    // The levels show the frames they were sent to.
    void Sync();
    bool Animated() const;
    // Over the main movie, lowest level first.
    void Draw(StageRenderer& renderer, const Matrix& toSurface) const;
    // Every level goes; their machine goes with them.
    void Clear() { levels_.clear(); }

private:
    // A movie, or a picture as a movie of no frames that shows it.
    struct Content {
        std::shared_ptr<tvmplayer::Movie> Frames;
        std::shared_ptr<Bitmap> Picture;
    };

    std::optional<std::vector<uint8_t>> Fetch(ActionMachine& machine, const std::string& url);
    std::optional<Content> Decode(ActionMachine& machine, const std::string& url, std::vector<uint8_t> bytes);
    void LoadVariables(ActionMachine& machine, const LoadRequest& request);
    std::optional<MainMovieLoad> LoadMovie(ActionMachine& machine, const LoadRequest& request);
    void Show(ActionMachine& machine, PlacedObject& object, int nesting, const Content& content);
    // A MovieClipLoader's listeners hear of the load, the target first.
    void Tell(ActionMachine& machine, const LoadRequest& request, const char* event, std::vector<Value> arguments = {});
    void Unload(ActionMachine& machine, const LoadRequest& request);

    SpriteCount& sprites_;
    MovieLoader* loader_ = nullptr;
    std::map<int32_t, std::unique_ptr<PlacedObject>> levels_;
};

}
