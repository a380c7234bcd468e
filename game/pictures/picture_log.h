#pragma once
// The pictures' debug log: off unless the program is started with VARNHOLD_PICTURE_LOG naming a
// file. One line an event, each begun with the milliseconds of the system clock:
//   <ms> make <picture> <view> <hex> <art>  a picture joined its view: the hex it stands in and the
//                                           name of its art (its unit type's), blanks as '_'
//   <ms> queue <picture> <view> <reply> <command>
//                                           a command came in (reply 1: its sender awaits an
//                                           answer); the command's name, or its number
//   <ms> answer <picture> <view>            a command's answer went out (also for one still queued
//                                           when the picture is deleted)
//   <ms> drop <picture> <view>              a command the other view's picture, deleted, lets go
//   <ms> delete <picture> <view>            the picture is gone
//   <ms> draw <sprite> <view> <zoom> <x> <y> <w> <h> <dx> <dy> <picture>
//                                           a figure drawn somewhere new: its view, its box in map
//                                           pixels of that zoom, and where map point (0, 0) falls in the
//                                           window's client area, so that the box there is
//                                           (x + dx, y + dy, w, h); then the picture it belongs to
//   <ms> hide <sprite>                      a figure no longer drawn (hidden or deleted)
// A picture or sprite is named by its address, unique while it lives. Lines are written whole and
// flushed, so the log of a program that ends abruptly is still complete up to that point.
#include <string>

bool OpenPictureLog(const std::string& path);
void ClosePictureLog();
bool PictureLogOn();
// Writes "<ms> " + text + "\n" when the log is on.
void PictureLogLine(const std::string& text);
// The name of a picture or sprite in the log.
std::string PictureLogName(const void* thing);
