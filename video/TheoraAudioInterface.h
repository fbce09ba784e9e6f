#pragma once
// Where a clip's decoded sound would go, and what would make one per clip. The game installs no
// factory, so videos play silent and no clip ever has an audio interface.

class TheoraVideoClip;

class TheoraAudioInterface {
public:
    virtual ~TheoraAudioInterface() = default;
};

class TheoraAudioInterfaceFactory {
public:
    virtual ~TheoraAudioInterfaceFactory() = default;
    virtual TheoraAudioInterface *createInstance(TheoraVideoClip *owner, int channels, int frequency) = 0;
};
