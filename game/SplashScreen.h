#pragma once
// The start-up pictures: three logos one after the other, 4000 ms each. Each fades in from black over
// the first second, holds, and fades out over the last second; a click during the hold skips to the
// fade-out. The fades are a black veil drawn over the picture. The main loop runs one splash frame per
// pass and ends the sequence when `elapsed` reaches 4000 ms after the third picture.

class HoGame;
class KGraphic;

class SplashScreen {
public:
    static constexpr double kPictureMilliseconds = 4000.0;
    static constexpr int kPictureCount = 3;

    // Starts the sequence at the first picture: picks the HD or SD list and loads the first picture that
    // loads.
    explicit SplashScreen(HoGame *game);
    ~SplashScreen();
    SplashScreen(const SplashScreen &) = delete;
    SplashScreen &operator=(const SplashScreen &) = delete;

    // One frame: clock, click, drawing, and the step to the next picture.
    void update();

    // The picture list in use; index 3 means every picture has been shown.
    static const char *const *pictureList();
    static int pictureIndex();

    // Reads the primary mouse button (the synthesised pointer's while pointer synthesis is on); tests
    // replace it to click at chosen times.
    static bool (*primaryButtonReader)();
    static bool readPrimaryButton();

    KGraphic *picture = nullptr;
    HoGame *game = nullptr;
    double elapsed = 0.0;

private:
    void loadNextPicture();
    void drawPicture();
};
