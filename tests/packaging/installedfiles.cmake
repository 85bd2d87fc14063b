# What an installation holds, relative to its prefix.
set(installed_files bin/lumisk share/applications/org.lumisk.Lumisk.desktop
    share/metainfo/org.lumisk.Lumisk.metainfo.xml share/icons/hicolor/scalable/apps/lumisk.svg
    share/man/man1/lumisk.1.gz share/doc/lumisk/copyright share/doc/lumisk/changelog.gz)
foreach(size ${ICON_SIZES})
  list(APPEND installed_files share/icons/hicolor/${size}x${size}/apps/lumisk.png)
endforeach()
