// Draws the installed icons from the program's picture, the braille cell of
// the about box: the scalable SVG and the PNG sizes of the icon theme.
//
//   make_icons <output folder> <size>...
//
// writes <output folder>/scalable/apps/velira.svg and
// <output folder>/<n>x<n>/apps/velira.png for each size n.
#include "settings/program_icon.h"
#include "settings/qt/taboutbox.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
	if (argc < 2) {
		std::fprintf(stderr, "usage: make_icons <output folder> <size>...\n");
		return 2;
	}
	const QString root = QFile::decodeName(argv[1]);
	const QString scalable = root + QStringLiteral("/scalable/apps");
	if (!QDir().mkpath(scalable)) {
		std::fprintf(stderr, "make_icons: cannot make %s\n", qPrintable(scalable));
		return 1;
	}
	QFile svg(scalable + QStringLiteral("/velira.svg"));
	const std::string document = velira::ProgramIconSvg();
	if (!svg.open(QIODevice::WriteOnly) ||
	    svg.write(document.data(), static_cast<qint64>(document.size())) !=
	        static_cast<qint64>(document.size())) {
		std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(svg.fileName()));
		return 1;
	}
	for (int arg = 2; arg < argc; ++arg) {
		const int size = std::atoi(argv[arg]);
		if (size <= 0 || size > 1024) {
			std::fprintf(stderr, "make_icons: not a size: %s\n", argv[arg]);
			return 2;
		}
		const QString folder = root + QStringLiteral("/%1x%1/apps").arg(size);
		const QString path = folder + QStringLiteral("/velira.png");
		if (!QDir().mkpath(folder) || !velira::ProgramImage(size).save(path, "PNG")) {
			std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
			return 1;
		}
	}
	return 0;
}
