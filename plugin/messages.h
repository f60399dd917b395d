#pragma once
// What the user sees when an output run fails: warning boxes with the product
// name as caption and Japanese texts in code page 932.

constexpr char kDisplayName[] = "Zelvanoor";

// "Codecのインストールに失敗しました。"
constexpr char kMessageCodecInstallFailed[] =
    "Codec\x82\xCC\x83" "C\x83\x93\x83X\x83g\x81[\x83\x8B\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B";
// "FileMappingObjectの作成に失敗しました。"
constexpr char kMessageMappingFailed[] =
    "FileMappingObject\x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B";
// "同期Objectの作成に失敗しました。"
constexpr char kMessageSyncObjectFailed[] =
    "\x93\xAF\x8A\xFAObject\x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B";
// "AVIファイルの作成に失敗しました。"
constexpr char kMessageAviFailed[] =
    "AVI\x83t\x83@\x83" "C\x83\x8B\x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B";

// A modal warning box with no owner window; its result is of no interest.
void ShowWarning(const char *text);
