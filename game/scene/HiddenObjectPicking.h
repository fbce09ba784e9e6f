#pragma once
// What happens to the listed objects of a hidden-object scene when the player clicks one, carries one to
// the element it belongs on, or lets it go, and where each listed item stands on the item panel.
//
// An object is either found where it lies, or (when a "target_" element waits for it) taken up by the
// pointer and found by being dropped on its target. Each step runs the scene's matching hook with
// "#ho_found_object" naming the element.

#include <cstdint>

class HoScene;
struct ElementPickInfo;
struct HiddenObjectItem;
struct ParticleEmitter;
struct SceneElement;

// A click on an element with a listed item: found at once, or taken up by the pointer when it has a target.
void pickHoElement(SceneElement *element);
// The element with a listed item is found, once: placed on its target when it has one; else counted for
// its item while the element that shows its disappearance fades in and starts to disappear in front of
// everything.
void setHoElementFound(SceneElement *element);
// The pointer takes the element up: a previously held one is let go, and the element fades out while the
// pointer carries it.
void holdElement(SceneElement *element);

// The item's place in the list and on the panel: a grid of up to four columns and three rows for the
// number of listed items, centred on the configured panel centre, or on "inventory_mho_background" in
// a zoom zone (no place without it).
void layoutHoItem(HiddenObjectItem *item, int32_t itemCount, int32_t position);
// While the game shows the list in the scene, the items take the six columns and two rows of the scene's
// "_ho_hud_list" element instead.
void layoutHoListInHud(HoScene *scene);
// True when an element of the item is hidden from view (a positive named value "concealed").
bool isHoItemConcealed(const HiddenObjectItem *item);

// The element that shows the element's disappearance: its pick record's display element, else itself.
SceneElement *displayOf(SceneElement *element);
// The emitter, when there is one, makes no more particles and lets the ones it has age out; the pointer
// is cleared.
void stopEmitter(ParticleEmitter *&emitter);
// The found and dissolve emitters of the pick record stop.
void stopPickEmitters(ElementPickInfo *pick);
// The element's pick record starts again, keeping whether it was listed before, and its emitters stop.
void resetPickInfo(SceneElement *element);
// The element joins the item, shown, with its target (the "target_" element of its name) and the element
// that shows its disappearance (the "picked_" one, else itself); nothing of it is found or going.
void listHoElement(HiddenObjectItem *item, SceneElement *element);
// Binds "ho_do_init" and "ho_find_random_item" to the scene's list.
void bindHiddenObjectNatives(HoScene *scene);
