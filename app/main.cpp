#include "AppIdentity.h"
#include "MainDialog.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName(AppIdentity::OrganisationName);
    QCoreApplication::setOrganizationDomain(AppIdentity::OrganisationDomain);
    QCoreApplication::setApplicationName(AppIdentity::ApplicationName);
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(AppIdentity::ApplicationVersion);
    MainDialog w;
    w.show();
    return app.exec();
}
