#include "ActionTestSupport.h"

namespace actiontest {

Bytes MovieOf(uint8_t version, const std::vector<Bytes>& frames, const std::vector<std::string>& labels)
{
    tvmtest::SwfTags tags;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (i < labels.size() && !labels[i].empty())
            tags.Label(labels[i]);
        if (!frames[i].empty())
            tags.DoAction(frames[i]);
        tags.ShowFrame();
    }
    tvmtest::SwfMovie movie;
    movie.version = version;
    movie.frameCount = static_cast<uint16_t>(frames.size());
    movie.tags = tags.End().Take();
    return tvmtest::MakeSwf(movie);
}

std::string RunActions(uint8_t version, const Bytes& actions)
{
    TestClock clock;
    Recorder recorder;
    tvmplayer::MoviePlayer player(clock);
    player.SetScriptEvents(recorder);
    player.Load(MovieOf(version, {actions}));
    return recorder.Joined();
}

}
