#pragma once

// Names of the interface texts. Every text the program shows is looked up by
// one of these names; the number is the text's offset in both string tables
// (resources/strings_en.txt and resources/strings_cs.txt). A test checks that
// every name here has a text in both tables.
//
// Names ending in Head and Tail (and Middle) are the pieces of one message
// that is joined around a quoted name or a number.

namespace kresbon {

#define KRESBON_TEXT_IDS(X) \
    X(Yes, 79) \
    X(No, 80) \
    X(OK, 81) \
    X(Cancel, 82) \
    X(HelpButton, 83) \
    X(Abort, 84) \
    X(Retry, 85) \
    X(Ignore, 86) \
    X(AllButton, 87) \
    X(Warning, 88) \
    X(Error, 89) \
    X(Information, 90) \
    X(Confirm, 91) \
    X(AboutTitle, 101) \
    X(Version, 102) \
    X(AboutOk, 109) \
    X(AboutProduct, 110) \
    X(HelpWindowTitle, 201) \
    X(MainWindowTitle, 202) \
    X(MenuScript, 203) \
    X(MenuNew, 204) \
    X(MenuOpenScript, 205) \
    X(MenuSaveScript, 206) \
    X(MenuSaveScriptAs, 207) \
    X(MenuFont, 208) \
    X(MenuExit, 209) \
    X(MenuDrawing, 210) \
    X(MenuRefresh, 211) \
    X(MenuClear, 212) \
    X(MenuSaveDrawingAs, 213) \
    X(MenuPrintDrawing, 214) \
    X(MenuHelp, 215) \
    X(MenuContents, 216) \
    X(MenuFind, 217) \
    X(MenuLanguage, 218) \
    X(MenuEnglish, 219) \
    X(MenuCzech, 220) \
    X(MenuAbout, 221) \
    X(ButtonNew, 222) \
    X(ButtonOpenScript, 223) \
    X(ButtonSaveScript, 224) \
    X(ButtonRefresh, 225) \
    X(ButtonSaveDrawingAs, 226) \
    X(ButtonPrintDrawing, 227) \
    X(PopupNew, 228) \
    X(PopupOpenScript, 229) \
    X(PopupSaveScript, 230) \
    X(PopupSaveScriptAs, 231) \
    X(PopupFont, 232) \
    X(Line2Clicks, 233) \
    X(DimensionLine2Clicks, 234) \
    X(Text1Click, 235) \
    X(Point1Click, 236) \
    X(FillArea1Click, 237) \
    X(Rectangle2Clicks, 238) \
    X(Circle2Clicks, 239) \
    X(PartOfCircle2Clicks, 240) \
    X(Ellipse2Clicks, 241) \
    X(GlobalVariables, 242) \
    X(CommentClick, 243) \
    X(CancelDrawingAction, 244) \
    X(ScriptFiles, 245) \
    X(AllScriptFiles, 246) \
    X(BmpFiles, 247) \
    X(JpegFiles, 248) \
    X(GifFiles, 249) \
    X(AllPictures, 250) \
    X(AllPictureFiles, 251) \
    X(FillingTypeNotExistHead, 252) \
    X(FillingTypeNotExistTail, 253) \
    X(TypeOfLineNotExistHead, 254) \
    X(TypeOfLineNotExistTail, 255) \
    X(ColourNotExistHead, 256) \
    X(ColourNotExistTail, 257) \
    X(InvalidDirectionOfVector, 258) \
    X(AngleMustBeFrom0To360, 259) \
    X(FontIsNotAbleRotationOfTextHead, 260) \
    X(FontIsNotAbleRotationOfTextTail, 261) \
    X(PixelsPerUnitMustBePositiveInteger, 262) \
    X(MaximumXMustBePositiveNumber, 263) \
    X(MaximumYMustBePositiveNumber, 264) \
    X(FontIsMissingInWindowsSystemHead, 265) \
    X(FontIsMissingInWindowsSystemTail, 266) \
    X(FontSizeMustBePositive, 267) \
    X(ArrowAngleMustBe1To45, 268) \
    X(ArrowSizeMustBePositive, 269) \
    X(TooManyParameters, 270) \
    X(ShiftXMustBeNumber, 271) \
    X(ShiftYMustBeNumber, 272) \
    X(ParameterXMissing, 273) \
    X(ParameterYMissing, 274) \
    X(ParameterX1Missing, 275) \
    X(ParameterY1Missing, 276) \
    X(ParameterX2Missing, 277) \
    X(ParameterY2Missing, 278) \
    X(LineThicknessMustBePositive, 279) \
    X(InvalidDimensionEndTail, 280) \
    X(SameInitialAndEndPoint, 281) \
    X(ParameterRMissing, 282) \
    X(InitialAngleMustBePositiveInteger, 283) \
    X(EndAngleMustBePositiveInteger, 284) \
    X(TextEmptyOrUnquoted, 285) \
    X(IsBoldMustBe0Or1, 286) \
    X(IsItalicMustBe0Or1, 287) \
    X(IsUnderlineMustBe0Or1, 288) \
    X(IsStrikeOutMustBe0Or1, 289) \
    X(AngleMustBeInteger, 290) \
    X(CommandIsUnappropriatedHead, 291) \
    X(CommandIsUnappropriatedTail, 292) \
    X(ErrorLineHead, 293) \
    X(PrintDocumentName, 294) \
    X(DoYouWantToSaveChangesToHead, 301) \
    X(DoYouWantToSaveChangesToTail, 302) \
    X(DoYouWantToSaveChanges, 303) \
    X(FileAlreadyExistRewriteHead, 304) \
    X(FileAlreadyExistRewriteTail, 305) \
    X(CommentSuffix, 306) \
    X(TextClickDefault, 307) \
    X(Layers, 310) \
    X(ShowLayers, 311) \
    X(FirstLayer, 312) \
    X(SecondLayer, 313) \
    X(ThirdLayer, 314) \
    X(FourthLayer, 315) \
    X(FifthLayer, 316) \
    X(SixthLayer, 317) \
    X(SeventhLayer, 318) \
    X(EighthLayer, 319) \
    X(NinthLayer, 320) \
    X(CheckAll, 321) \
    X(CheckNone, 322) \
    X(LayerMustBe1To9, 323) \
    X(LayerClick, 324) \
    X(SomeLayerMustBeSelected, 325) \
    X(NoObjectsInSelectedLayers, 326) \
    X(PictureFileNameMissing, 327) \
    X(FileNotExistHead, 328) \
    X(FileNotExistTail, 329) \
    X(FileNotPictureHead, 330) \
    X(FileNotPictureTail, 331) \
    X(ParameterWidthIsNotNumber, 332) \
    X(ParameterHeightIsNotNumber, 333) \
    X(FileCorruptedHead, 334) \
    X(FileCorruptedTail, 335) \
    X(ReservedWordHead, 336) \
    X(ReservedWordTail, 337) \
    X(ProcedureNameIsMissing, 338) \
    X(VariablesMustBeginWithHashHead, 339) \
    X(VariablesMustBeginWithHashTail, 340) \
    X(WrongParameterCountHead, 341) \
    X(WrongParameterCountTail, 342) \
    X(DuplicateParameterHead, 343) \
    X(DuplicateParameterMiddle, 344) \
    X(DuplicateParameterTail, 345) \
    X(UnknownCommandHead, 346) \
    X(UnknownCommandTail, 347) \
    X(PictureClick, 348) \
    X(ProcedureClick, 349) \
    X(TextIsNotInQuotationMarks, 350) \
    X(ProcedureIsRedeclaredHead, 352) \
    X(ProcedureIsRedeclaredTail, 353) \
    X(IncludeFileNameMissing, 354) \
    X(NestedTooDeeplyHead, 355) \
    X(NestedTooDeeplyTail, 356) \
    X(DrawingTooLargeHead, 357) \
    X(DrawingTooLargeTail, 358) \
    X(ValueIsTooLarge, 359) \
    X(FileCannotBeReadHead, 360) \
    X(FileCannotBeReadTail, 361) \
    X(LineTooLongHead, 362) \
    X(LineTooLongTail, 363) \
    X(CannotSaveDrawingHead, 364) \
    X(CannotSaveDrawingTail, 365) \
    X(CannotWriteFileHead, 400) \
    X(CannotWriteFileTail, 401) \
    X(CannotReadFileHead, 402) \
    X(CannotReadFileTail, 403) \
    X(NotARegularFile, 404) \
    X(LargerThan1GiB, 405) \
    X(FolderDeviceOrPipe, 406) \
    X(FormatTooSmallHead, 407) \
    X(FormatTooSmallBeforeFormat, 408) \
    X(FormatTooSmallBeforeSize, 409) \
    X(FormatTooSmallTail, 410) \
    X(FileAlreadyClosed, 411) \
    X(PngFiles, 480) \
    X(UsageSynopsis, 481) \
    X(UsageSynopsisCont, 482) \
    X(UsageAbout, 483) \
    X(UsageAboutCont, 484) \
    X(UsageOutput, 485) \
    X(UsageOutputFormats, 486) \
    X(UsageOutputGif, 487) \
    X(UsageOutputJpegPng, 488) \
    X(UsageDepth, 489) \
    X(UsageLayers, 490) \
    X(UsageView, 491) \
    X(UsageViewDefault, 492) \
    X(UsageThumbnail, 493) \
    X(UsageThumbnailScaling, 494) \
    X(UsageLang, 495) \
    X(UsageHelp, 496) \
    X(UsageExitStatus, 497) \
    X(UsageExitStatusCont, 498) \
    X(ThumbnailNeedsSizeAndOutput, 499) \
    X(ParameterX, 500) \
    X(ParameterY, 501) \
    X(ParameterX1, 502) \
    X(ParameterY1, 503) \
    X(ParameterX2, 504) \
    X(ParameterY2, 505) \
    X(ParameterR, 506) \
    X(ParameterLineType, 507) \
    X(ParameterThickness, 508) \
    X(ParameterColour, 509) \
    X(ParameterInitialAngle, 510) \
    X(ParameterEndAngle, 511) \
    X(ParameterFillType, 512) \
    X(ParameterStartKind, 513) \
    X(ParameterEndKind, 514) \
    X(ParameterArrowAngle, 515) \
    X(ParameterArrowLength, 516) \
    X(ParameterText, 517) \
    X(ParameterBold, 518) \
    X(ParameterItalic, 519) \
    X(ParameterUnderline, 520) \
    X(ParameterStrikeOut, 521) \
    X(ParameterFont, 522) \
    X(ParameterSize, 523) \
    X(ParameterAngle, 524) \
    X(ParameterFile, 525) \
    X(ParameterWidth, 526) \
    X(ParameterHeight, 527) \
    X(ParameterValue, 528) \
    X(ParameterLayer, 529) \
    X(ParameterOther, 530) \
    X(RunStopped, 531) \
    X(RunningLine, 532) \
    X(StopButton, 533) \
    X(StoppedAtLine, 534) \
    X(MenuRefreshWhileTyping, 535) \
    X(RefreshWhileTypingHint, 536) \
    X(MenuZoomIn, 537) \
    X(MenuZoomOut, 538) \
    X(MenuActualSize, 539) \
    X(MenuFitToPane, 540) \
    X(MenuFindInScript, 541) \
    X(MenuReplaceInScript, 542) \
    X(FindNext, 543) \
    X(FindPrevious, 544) \
    X(MenuGoToLine, 545) \
    X(LineNumberLabel, 546) \
    X(FindLabel, 547) \
    X(ReplaceWithLabel, 548) \
    X(ReplaceAll, 549) \
    X(ReplaceButton, 550) \
    X(MatchCase, 551) \
    X(TextNotFound, 552) \
    X(MenuUndo, 553) \
    X(MenuRedo, 554) \
    X(MenuZoom, 555) \
    X(FindTitle, 556) \
    X(GoToLineTitle, 557) \
    X(OpenRecent, 560) \
    X(ClearTheList, 561) \
    X(PrintPreview, 562) \
    X(RecentFileGoneHead, 563) \
    X(RecentFileGoneTail, 564) \
    X(CannotStartPrintingOnHead, 565) \
    X(CannotStartPrintingOnTail, 566) \
    X(PrintingOnFailedHead, 567) \
    X(PrintingOnFailedTail, 568) \
    X(UnknownError, 569) \
    X(ColourMenu, 570) \
    X(CannotWritePrintLog, 571) \
    X(WriteFailed, 572) \
    X(MenuWatchFiles, 585) \
    X(FileChangedOnDisk, 586) \
    X(FileGoneFromDisk, 587) \
    X(ReloadButton, 588) \
    X(KeepMineButton, 589) \
    X(RestoreUnsavedScript, 590) \
    X(UsageBadLayers, 640) \
    X(UsageNeedsValue, 641) \
    X(UsageBadDepth, 642) \
    X(UsageBadView, 643) \
    X(UsageBadLang, 644) \
    X(UsageUnknownOption, 645) \
    X(UsageOneScriptOnly, 646) \
    X(UsageNoScript, 647) \
    X(UsageOutputNeedsName, 648) \
    X(UsageOutputBadExtension, 649)

enum class TextId : int {
#define KRESBON_TEXT_ID_ENUMERATOR(name, offset) name = offset,
    KRESBON_TEXT_IDS(KRESBON_TEXT_ID_ENUMERATOR)
#undef KRESBON_TEXT_ID_ENUMERATOR
};

inline constexpr TextId AllTextIds[] = {
#define KRESBON_TEXT_ID_ELEMENT(name, offset) TextId::name,
    KRESBON_TEXT_IDS(KRESBON_TEXT_ID_ELEMENT)
#undef KRESBON_TEXT_ID_ELEMENT
};

// Texts that follow one another in the tables (the layer menu items, the
// parameter flags of Text, the lines of the usage text) are reached from the
// first of them by an offset, so that loops over them stay loops.
constexpr TextId operator+(TextId first, int offset)
{
    return static_cast<TextId>(static_cast<int>(first) + offset);
}

}  // namespace kresbon
