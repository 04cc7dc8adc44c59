#pragma once

// The outcomes of the live room that the classroom page is told.
enum PageResult
{
    PageResultStarted = 0,
    PageResultLoggedOut = 1,
    PageResultLoginFailed = 2,
    PageResultCreateRoomFailed = 3,
    PageResultPushFailed = 4,
};
