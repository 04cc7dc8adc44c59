#pragma once

class QString;

// The window that a classroom view fills, as the view sees it. A view in any other window sets
// that window's title to the program's name itself.
class ViewOwner
{
public:
    // The view's page went to another address; title is the title of the page it shows then.
    virtual void handleWebViewTitleChanged(QString title) = 0;

protected:
    ~ViewOwner() = default;
};
