<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>About</name>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Tessaro S, Version </source>
        <translation>Tessaro S, Version </translation>
    </message>
    <message>
        <source>Tel:</source>
        <translation>Tel.:</translation>
    </message>
    <message>
        <source>Fax:</source>
        <translation>Fax:</translation>
    </message>
</context>
<context>
    <name>BlockReader</name>
    <message>
        <source>Download aborted</source>
        <translation>Herunterladen abgebrochen</translation>
    </message>
    <message>
        <source>Download failed, Incompatible Bridge Code - Contact Quor</source>
        <translation>Herunterladen fehlgeschlagen, inkompatibler Bridge-Code - Quor kontaktieren</translation>
    </message>
    <message>
        <source>Download failed</source>
        <translation>Herunterladen fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>CancelNextConnect</name>
    <message>
        <source>DEVICE FOUND</source>
        <translation>GERÄT GEFUNDEN</translation>
    </message>
    <message>
        <source>&amp;CANCEL</source>
        <translation>&amp;ABBRECHEN</translation>
    </message>
    <message>
        <source>&amp;CONNECT</source>
        <translation>&amp;VERBINDEN</translation>
    </message>
    <message>
        <source>Continue searching.</source>
        <translation>Weitersuchen.</translation>
    </message>
    <message>
        <source>&amp;NEXT DEVICE</source>
        <translation>&amp;NÄCHSTES GERÄT</translation>
    </message>
</context>
<context>
    <name>CcxReprocessor</name>
    <message>
        <source>Processing %1</source>
        <translation>Verarbeite %1</translation>
    </message>
    <message>
        <source>File %1 Unable to be loaded - %2</source>
        <translation>Datei %1 kann nicht geladen werden - %2</translation>
    </message>
    <message>
        <source>File %1 - Unable to locate the Log Data memory</source>
        <translation>Datei %1 - Protokolldatenspeicher nicht gefunden</translation>
    </message>
    <message>
        <source>No files selected</source>
        <translation>Keine Dateien ausgewählt</translation>
    </message>
    <message>
        <source>%1 of %2 files could not be processed</source>
        <translation>%1 von %2 Dateien konnten nicht verarbeitet werden</translation>
    </message>
    <message>
        <source>Processing completed</source>
        <translation>Verarbeitung abgeschlossen</translation>
    </message>
</context>
<context>
    <name>CellHealthReport</name>
    <message>
        <source>good</source>
        <translation>gut</translation>
    </message>
    <message>
        <source>watch</source>
        <translation>beobachten</translation>
    </message>
    <message>
        <source>replace</source>
        <translation>ersetzen</translation>
    </message>
    <message>
        <source>disagrees</source>
        <translation>weicht ab</translation>
    </message>
    <message>
        <source>current-limited</source>
        <translation>strombegrenzt</translation>
    </message>
    <message>
        <source>slow</source>
        <translation>träge</translation>
    </message>
    <message>
        <source>drift across dives</source>
        <translation>Drift über die Tauchgänge</translation>
    </message>
    <message>
        <source>date not known</source>
        <translation>Datum unbekannt</translation>
    </message>
    <message>
        <source>Dive %1, %2</source>
        <translation>Tauchgang %1, %2</translation>
    </message>
    <message>
        <source>disagrees: read %1 bar while the other two read %2 bar, from %3 to %4</source>
        <translation>weicht ab: zeigte %1 bar, die beiden anderen %2 bar, von %3 bis %4</translation>
    </message>
    <message>
        <source>current-limited: held at %1 bar while the other two read %2 bar, from %3 to %4; tracks them below that</source>
        <translation>strombegrenzt: blieb bei %1 bar, während die beiden anderen %2 bar zeigten, von %3 bis %4; darunter folgt sie ihnen</translation>
    </message>
    <message>
        <source>slow: after the step from %1 to %2 bar at %3 it took %4 s to reach 90 %, the other two %5 s</source>
        <translation>träge: nach dem Sprung von %1 auf %2 bar bei %3 brauchte sie %4 s bis 90 %, die beiden anderen %5 s</translation>
    </message>
    <message>
        <source>drift across dives: its ratio to the other two went from %1 (dive %2, %3) to %4 (dive %5, %6) over %7 dives, %8 per dive</source>
        <translation>Drift über die Tauchgänge: ihr Verhältnis zu den beiden anderen ging von %1 (Tauchgang %2, %3) auf %4 (Tauchgang %5, %6) über %7 Tauchgänge, %8 je Tauchgang</translation>
    </message>
    <message>
        <source>No dives.
</source>
        <translation>Keine Tauchgänge.
</translation>
    </message>
    <message>
        <source>Handset %1: dives from %2 to %3, %4 in all</source>
        <translation>Handset %1: Tauchgänge von %2 bis %3, insgesamt %4</translation>
    </message>
    <message>
        <source>(serial number not known)</source>
        <translation>(Seriennummer unbekannt)</translation>
    </message>
    <message>
        <source>Controller %1</source>
        <translation>Controller %1</translation>
    </message>
    <message>
        <source>no readings</source>
        <translation>keine Messwerte</translation>
    </message>
    <message>
        <source>Cell %1: %2</source>
        <translation>Zelle %1: %2</translation>
    </message>
    <message>
        <source>Battery, voltage at the start and the end of each dive</source>
        <translation>Batterie, Spannung zu Beginn und am Ende jedes Tauchgangs</translation>
    </message>
    <message>
        <source>%1 V, %2 V</source>
        <translation>%1 V, %2 V</translation>
    </message>
    <message>
        <source>no battery records</source>
        <translation>keine Batteriedaten</translation>
    </message>
</context>
<context>
    <name>CellReportDialog</name>
    <message>
        <source>Oxygen Cell Report</source>
        <translation>Bericht Sauerstoffzellen</translation>
    </message>
    <message>
        <source>OXYGEN CELLS</source>
        <translation>SAUERSTOFFZELLEN</translation>
    </message>
    <message>
        <source>Good: nothing wrong seen. Watch: slow, drifting over the dives, or trouble on an earlier dive. Replace: disagrees with the other two or current-limited on the newest dive. Double-click a reason to see it on the profile.</source>
        <translation>Gut: nichts Auffälliges. Beobachten: träge, driftet über die Tauchgänge oder Probleme bei einem früheren Tauchgang. Ersetzen: weicht von den beiden anderen ab oder ist beim neuesten Tauchgang strombegrenzt. Doppelklicken Sie auf einen Grund, um ihn im Profil zu sehen.</translation>
    </message>
    <message>
        <source>Cell</source>
        <translation>Zelle</translation>
    </message>
    <message>
        <source>Rating and reasons</source>
        <translation>Bewertung und Gründe</translation>
    </message>
    <message>
        <source>SHOW ON &amp;PROFILE</source>
        <translation>IM &amp;PROFIL ZEIGEN</translation>
    </message>
    <message>
        <source>Show the dive of the chosen reason with its region marked.</source>
        <translation>Den Tauchgang des gewählten Grundes mit markiertem Bereich zeigen.</translation>
    </message>
    <message>
        <source>&amp;SAVE REPORT</source>
        <translation>BERICHT SP&amp;EICHERN</translation>
    </message>
    <message>
        <source>Save the report as a text file.</source>
        <translation>Den Bericht als Textdatei speichern.</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Handset %1</source>
        <translation>Handset %1</translation>
    </message>
    <message>
        <source>(serial number not known)</source>
        <translation>(Seriennummer unbekannt)</translation>
    </message>
    <message>
        <source>%1 dives, %2 to %3</source>
        <translation>%1 Tauchgänge, %2 bis %3</translation>
    </message>
    <message>
        <source>Controller %1, cell %2</source>
        <translation>Controller %1, Zelle %2</translation>
    </message>
    <message>
        <source>no readings</source>
        <translation>keine Messwerte</translation>
    </message>
    <message>
        <source>Battery</source>
        <translation>Batterie</translation>
    </message>
    <message>
        <source>voltage at the start and the end of each dive</source>
        <translation>Spannung zu Beginn und am Ende jedes Tauchgangs</translation>
    </message>
    <message>
        <source>%1 V, %2 V</source>
        <translation>%1 V, %2 V</translation>
    </message>
    <message>
        <source>no battery records</source>
        <translation>keine Batteriedaten</translation>
    </message>
    <message>
        <source>Save Cell Report</source>
        <translation>Zellenbericht speichern</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>Report saved as %1</source>
        <translation>Bericht gespeichert als %1</translation>
    </message>
    <message>
        <source>The report could not be saved as %1</source>
        <translation>Der Bericht konnte nicht als %1 gespeichert werden</translation>
    </message>
</context>
<context>
    <name>Clock</name>
    <message>
        <source>Clock Synchronise</source>
        <translation>Uhr synchronisieren</translation>
    </message>
    <message>
        <source>COMPUTER CLOCK</source>
        <translation>COMPUTERUHR</translation>
    </message>
    <message>
        <source>DEVICE CLOCK</source>
        <translation>GERÄTEUHR</translation>
    </message>
    <message>
        <source>&amp;SYNCHRONISE</source>
        <translation>S&amp;YNCHRONISIEREN</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Invalid Date / Time</source>
        <translation>Ungültiges Datum / Uhrzeit</translation>
    </message>
    <message>
        <source>Disconnected.  Reconnect and try again.</source>
        <translation>Verbindung getrennt.  Neu verbinden und erneut versuchen.</translation>
    </message>
</context>
<context>
    <name>DeviceStatus</name>
    <message>
        <source>Device Status</source>
        <translation>Gerätestatus</translation>
    </message>
    <message>
        <source>DISPLAY</source>
        <translation>DISPLAY</translation>
    </message>
    <message>
        <source>CONTROLLER 1</source>
        <translation>CONTROLLER 1</translation>
    </message>
    <message>
        <source>CONTROLLER 2</source>
        <translation>CONTROLLER 2</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Code Version</source>
        <translation>Codeversion</translation>
    </message>
    <message>
        <source>Code Validity</source>
        <translation>Codegültigkeit</translation>
    </message>
    <message>
        <source>Code Date</source>
        <translation>Codedatum</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Valid</source>
        <translation>Gültig</translation>
    </message>
    <message>
        <source>Invalid</source>
        <translation>Ungültig</translation>
    </message>
    <message>
        <source>No Device Detected</source>
        <translation>Kein Gerät erkannt</translation>
    </message>
</context>
<context>
    <name>DiveListModel</name>
    <message>
        <source>%1
%2</source>
        <translation>%1
%2</translation>
    </message>
    <message>
        <source>Damaged: %1</source>
        <translation>Beschädigt: %1</translation>
    </message>
    <message>
        <source>date not known</source>
        <translation>Datum unbekannt</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Dive</source>
        <translation>Tauchgang</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Greatest depth</source>
        <translation>Größte Tiefe</translation>
    </message>
    <message>
        <source>Handset</source>
        <translation>Handset</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
</context>
<context>
    <name>DiveProfileView</name>
    <message>
        <source>Dive time (min)</source>
        <translation>Tauchzeit (min)</translation>
    </message>
    <message>
        <source>Depth (m)</source>
        <translation>Tiefe (m)</translation>
    </message>
    <message>
        <source>Depth (ft)</source>
        <translation>Tiefe (ft)</translation>
    </message>
    <message>
        <source>Temperature (°C)</source>
        <translation>Temperatur (°C)</translation>
    </message>
    <message>
        <source>Temperature (°F)</source>
        <translation>Temperatur (°F)</translation>
    </message>
    <message>
        <source>ppO2 (bar)</source>
        <translation>ppO2 (bar)</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Tiefe</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
    <message>
        <source>Cell %1</source>
        <translation>Zelle %1</translation>
    </message>
    <message>
        <source>Setpoint</source>
        <translation>Setpoint</translation>
    </message>
    <message>
        <source>%1   depth %2   %3   cells %4 / %5 / %6 bar (controller %7)   setpoint %8 bar</source>
        <translation>%1   Tiefe %2   %3   Zellen %4 / %5 / %6 bar (Controller %7)   Setpoint %8 bar</translation>
    </message>
    <message>
        <source>high oxygen</source>
        <translation>Sauerstoff hoch</translation>
    </message>
    <message>
        <source>low oxygen</source>
        <translation>Sauerstoff niedrig</translation>
    </message>
    <message>
        <source>low battery</source>
        <translation>Batterie schwach</translation>
    </message>
    <message>
        <source>cell warning</source>
        <translation>Zellenwarnung</translation>
    </message>
    <message>
        <source>ppO2 warning</source>
        <translation>ppO2-Warnung</translation>
    </message>
    <message>
        <source>missed deco</source>
        <translation>Deko ausgelassen</translation>
    </message>
    <message>
        <source>CO2 low</source>
        <translation>CO2 niedrig</translation>
    </message>
    <message>
        <source>scrubber low</source>
        <translation>Atemkalk niedrig</translation>
    </message>
    <message>
        <source>OTU exposure</source>
        <translation>OTU-Belastung</translation>
    </message>
    <message>
        <source>CNS exposure</source>
        <translation>CNS-Belastung</translation>
    </message>
    <message>
        <source>ceiling violation</source>
        <translation>Deko-Ceiling verletzt</translation>
    </message>
    <message>
        <source>fast ascent</source>
        <translation>zu schneller Aufstieg</translation>
    </message>
    <message>
        <source>CO2 high</source>
        <translation>CO2 hoch</translation>
    </message>
    <message>
        <source>scrubber high</source>
        <translation>Atemkalk hoch</translation>
    </message>
    <message>
        <source>gas density</source>
        <translation>Gasdichte</translation>
    </message>
</context>
<context>
    <name>DiveUnits</name>
    <message>
        <source>%1 m</source>
        <translation>%1 m</translation>
    </message>
    <message>
        <source>%1 ft</source>
        <translation>%1 ft</translation>
    </message>
    <message>
        <source>%1 °C</source>
        <translation>%1 °C</translation>
    </message>
    <message>
        <source>%1 °F</source>
        <translation>%1 °F</translation>
    </message>
</context>
<context>
    <name>DivesDialog</name>
    <message>
        <source>Dives</source>
        <translation>Tauchgänge</translation>
    </message>
    <message>
        <source>DOWNLOAD FOLDER</source>
        <translation>DOWNLOAD-ORDNER</translation>
    </message>
    <message>
        <source>&amp;REFRESH</source>
        <translation>&amp;AKTUALISIEREN</translation>
    </message>
    <message>
        <source>Read the download folder again.</source>
        <translation>Den Download-Ordner neu einlesen.</translation>
    </message>
    <message>
        <source>CELL RE&amp;PORT</source>
        <translation>ZELLEN&amp;BERICHT</translation>
    </message>
    <message>
        <source>Show the health of every oxygen cell over the listed dives.</source>
        <translation>Den Zustand jeder Sauerstoffzelle über die aufgeführten Tauchgänge zeigen.</translation>
    </message>
    <message>
        <source>Every dive in the download folder, newest first. Files that cannot be read are listed with the reason.</source>
        <translation>Jeder Tauchgang im Download-Ordner, der neueste zuerst. Dateien, die nicht gelesen werden können, erscheinen mit dem Grund.</translation>
    </message>
    <message>
        <source>SUMMARY</source>
        <translation>ÜBERSICHT</translation>
    </message>
    <message>
        <source>CELLS SHOWN</source>
        <translation>ANGEZEIGTE ZELLEN</translation>
    </message>
    <message>
        <source>Controller in control</source>
        <translation>Steuernder Controller</translation>
    </message>
    <message>
        <source>Controller 1</source>
        <translation>Controller 1</translation>
    </message>
    <message>
        <source>Controller 2</source>
        <translation>Controller 2</translation>
    </message>
    <message>
        <source>EXPORT &amp;UDDF</source>
        <translation>&amp;UDDF EXPORTIEREN</translation>
    </message>
    <message>
        <source>Write this dive as a UDDF file beside its log file.</source>
        <translation>Diesen Tauchgang als UDDF-Datei neben seine Logdatei schreiben.</translation>
    </message>
    <message>
        <source>SAVE PROFILE AS P&amp;NG</source>
        <translation>PROFIL ALS P&amp;NG SPEICHERN</translation>
    </message>
    <message>
        <source>Save the profile as a PNG picture.</source>
        <translation>Das Profil als PNG-Bild speichern.</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Reading the folder...</source>
        <translation>Ordner wird gelesen...</translation>
    </message>
    <message>
        <source>Reading %1 of %2 files...</source>
        <translation>%1 von %2 Dateien gelesen...</translation>
    </message>
    <message>
        <source>No dive logs in this folder</source>
        <translation>Keine Tauchgangsdateien in diesem Ordner</translation>
    </message>
    <message>
        <source>The folder does not exist</source>
        <translation>Der Ordner existiert nicht</translation>
    </message>
    <message>
        <source>%1 dives, damaged files: %2</source>
        <translation>%1 Tauchgänge, beschädigte Dateien: %2</translation>
    </message>
    <message>
        <source>%1 dives</source>
        <translation>%1 Tauchgänge</translation>
    </message>
    <message>
        <source>%1 cannot be read:
%2</source>
        <translation>%1 kann nicht gelesen werden:
%2</translation>
    </message>
    <message>
        <source>Move the mouse over the profile to read the values at a time.</source>
        <translation>Bewegen Sie die Maus über das Profil, um die Werte zu einem Zeitpunkt abzulesen.</translation>
    </message>
    <message>
        <source>Dive</source>
        <translation>Tauchgang</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Beginn</translation>
    </message>
    <message>
        <source>not known</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Greatest depth</source>
        <translation>Größte Tiefe</translation>
    </message>
    <message>
        <source>Average depth</source>
        <translation>Mittlere Tiefe</translation>
    </message>
    <message>
        <source>Highest ppO2</source>
        <translation>Höchster ppO2</translation>
    </message>
    <message>
        <source>%1 bar</source>
        <translation>%1 bar</translation>
    </message>
    <message>
        <source>Lowest ppO2</source>
        <translation>Niedrigster ppO2</translation>
    </message>
    <message>
        <source>Largest setpoint</source>
        <translation>Höchster Setpoint</translation>
    </message>
    <message>
        <source>Lowest temperature</source>
        <translation>Niedrigste Temperatur</translation>
    </message>
    <message>
        <source>Air temperature</source>
        <translation>Lufttemperatur</translation>
    </message>
    <message>
        <source>Surface pressure</source>
        <translation>Oberflächendruck</translation>
    </message>
    <message>
        <source>%1 mbar</source>
        <translation>%1 mbar</translation>
    </message>
    <message>
        <source>CNS</source>
        <translation>CNS</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>OTU</source>
        <translation>OTU</translation>
    </message>
    <message>
        <source>Gases</source>
        <translation>Gase</translation>
    </message>
    <message>
        <source>Handset</source>
        <translation>Handset</translation>
    </message>
    <message>
        <source>no readings</source>
        <translation>keine Messwerte</translation>
    </message>
    <message>
        <source>Cells of controller %1</source>
        <translation>Zellen Controller %1</translation>
    </message>
    <message>
        <source>UDDF written to %1</source>
        <translation>UDDF geschrieben: %1</translation>
    </message>
    <message>
        <source>The existing UDDF file was kept.</source>
        <translation>Die vorhandene UDDF-Datei wurde behalten.</translation>
    </message>
    <message>
        <source>UDDF not written: %1</source>
        <translation>UDDF nicht geschrieben: %1</translation>
    </message>
    <message>
        <source>Save Profile</source>
        <translation>Profil speichern</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG-Bilder (*.png)</translation>
    </message>
    <message>
        <source>Profile saved as %1</source>
        <translation>Profil gespeichert als %1</translation>
    </message>
    <message>
        <source>The picture could not be saved as %1</source>
        <translation>Das Bild konnte nicht als %1 gespeichert werden</translation>
    </message>
</context>
<context>
    <name>DownloadV1Dialog</name>
    <message>
        <source>Download</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>DOWNLOAD DIRECTORY</source>
        <translation>DOWNLOAD-ORDNER</translation>
    </message>
    <message>
        <source>&amp;BROWSE</source>
        <translation>&amp;DURCHSUCHEN</translation>
    </message>
    <message>
        <source>Choose download directory.</source>
        <translation>Download-Ordner wählen.</translation>
    </message>
    <message>
        <source>FULL DOWNLOAD</source>
        <translation>VOLLSTÄNDIGER DOWNLOAD</translation>
    </message>
    <message>
        <source>&amp;DOWNLOAD</source>
        <translation>&amp;HERUNTERLADEN</translation>
    </message>
    <message>
        <source>Download logs from your device.</source>
        <translation>Tauchprotokolle von Ihrem Gerät herunterladen.</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Ordner wählen</translation>
    </message>
    <message>
        <source>Estimated Time %1:%2</source>
        <translation>Geschätzte Zeit %1:%2</translation>
    </message>
    <message>
        <source>Download Completed</source>
        <translation>Download abgeschlossen</translation>
    </message>
    <message>
        <source>Remaining Time %1:%2</source>
        <translation>Verbleibende Zeit %1:%2</translation>
    </message>
    <message>
        <source>&amp;ABORT</source>
        <translation>&amp;ABBRECHEN</translation>
    </message>
    <message>
        <source>&amp;ABORTING</source>
        <translation>&amp;WIRD ABGEBROCHEN</translation>
    </message>
    <message>
        <source>Disconnected.  Reconnect and try again.</source>
        <translation>Verbindung getrennt.  Neu verbinden und erneut versuchen.</translation>
    </message>
    <message>
        <source>&amp;VIEW DIVES</source>
        <translation>&amp;TAUCHGÄNGE ANSEHEN</translation>
    </message>
    <message>
        <source>Look at the dives of the download folder.</source>
        <translation>Die Tauchgänge im Download-Ordner ansehen.</translation>
    </message>
</context>
<context>
    <name>DownloadV2Dialog</name>
    <message>
        <source>Download</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Select:</source>
        <translation>Auswahl:</translation>
    </message>
    <message>
        <source>All Dives</source>
        <translation>Alle Tauchgänge</translation>
    </message>
    <message>
        <source>New Dives</source>
        <translation>Neue Tauchgänge</translation>
    </message>
    <message>
        <source>Clear Selection</source>
        <translation>Auswahl aufheben</translation>
    </message>
    <message>
        <source>Dive Number</source>
        <translation>Tauchgang Nr.</translation>
    </message>
    <message>
        <source>Date - Time</source>
        <translation>Datum - Uhrzeit</translation>
    </message>
    <message>
        <source>Duration (mm:ss)</source>
        <translation>Dauer (mm:ss)</translation>
    </message>
    <message>
        <source>Max Depth (m)</source>
        <translation>Max. Tiefe (m)</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>DOWNLOAD DIRECTORY</source>
        <translation>DOWNLOAD-ORDNER</translation>
    </message>
    <message>
        <source>&amp;BROWSE</source>
        <translation>&amp;DURCHSUCHEN</translation>
    </message>
    <message>
        <source>Choose download directory.</source>
        <translation>Download-Ordner wählen.</translation>
    </message>
    <message>
        <source>&amp;DOWNLOAD</source>
        <translation>&amp;HERUNTERLADEN</translation>
    </message>
    <message>
        <source>Download logs from your device.</source>
        <translation>Tauchprotokolle von Ihrem Gerät herunterladen.</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Invalid</source>
        <translation>Ungültig</translation>
    </message>
    <message>
        <source>Max Depth (ft)</source>
        <translation>Max. Tiefe (ft)</translation>
    </message>
    <message>
        <source>PC</source>
        <translation>PC</translation>
    </message>
    <message>
        <source>Quor Handset</source>
        <translation>Quor-Handgerät</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Ordner wählen</translation>
    </message>
    <message>
        <source>Estimated Time %1:%2</source>
        <translation>Geschätzte Zeit %1:%2</translation>
    </message>
    <message>
        <source>Download Completed</source>
        <translation>Download abgeschlossen</translation>
    </message>
    <message>
        <source>Log Book Read Completed</source>
        <translation>Logbuch gelesen</translation>
    </message>
    <message>
        <source>Remaining Time %1:%2</source>
        <translation>Verbleibende Zeit %1:%2</translation>
    </message>
    <message>
        <source>&amp;ABORT</source>
        <translation>&amp;ABBRECHEN</translation>
    </message>
    <message>
        <source>&amp;ABORTING</source>
        <translation>&amp;WIRD ABGEBROCHEN</translation>
    </message>
    <message>
        <source>Disconnected.  Reconnect and try again.</source>
        <translation>Verbindung getrennt.  Neu verbinden und erneut versuchen.</translation>
    </message>
    <message>
        <source>&amp;VIEW DIVES</source>
        <translation>&amp;TAUCHGÄNGE ANSEHEN</translation>
    </message>
    <message>
        <source>Look at the dives of the download folder.</source>
        <translation>Die Tauchgänge im Download-Ordner ansehen.</translation>
    </message>
</context>
<context>
    <name>LogBookV2</name>
    <message>
        <source>already exists.

Do you wish to overwrite it?</source>
        <translation>ist bereits vorhanden.

Möchten Sie die Datei überschreiben?</translation>
    </message>
</context>
<context>
    <name>LogBookV2Reader</name>
    <message>
        <source>Unable to locate the Log Book memory</source>
        <translation>Logbuchspeicher nicht gefunden</translation>
    </message>
    <message>
        <source>V2 Logging - Read &apos;Services Relocation&apos; block failed</source>
        <translation>V2-Protokollierung - Lesen des Blocks &apos;Services Relocation&apos; fehlgeschlagen</translation>
    </message>
    <message>
        <source>Read eeprom block failed</source>
        <translation>Lesen des EEPROM-Blocks fehlgeschlagen</translation>
    </message>
    <message>
        <source>Unable to read the logging pointers</source>
        <translation>Protokollzeiger können nicht gelesen werden</translation>
    </message>
    <message>
        <source>Unable to read wrapped Log Book detection location, Incompatible Bridge Code - Contact Quor</source>
        <translation>Prüfstelle für ein umgelaufenes Logbuch kann nicht gelesen werden, inkompatibler Bridge-Code - Quor kontaktieren</translation>
    </message>
    <message>
        <source>Unable to read wrapped Log Book detection location</source>
        <translation>Prüfstelle für ein umgelaufenes Logbuch kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Log book read completed, No Logged Data</source>
        <translation>Logbuch gelesen, keine aufgezeichneten Daten</translation>
    </message>
    <message>
        <source>Log book read error</source>
        <translation>Fehler beim Lesen des Logbuchs</translation>
    </message>
    <message>
        <source>Log book read completed</source>
        <translation>Logbuch gelesen</translation>
    </message>
</context>
<context>
    <name>LogFileSaver</name>
    <message>
        <source>File %1 Unable to be opened, Skipped</source>
        <translation>Datei %1 kann nicht geöffnet werden, übersprungen</translation>
    </message>
    <message>
        <source>File %1 Saved</source>
        <translation>Datei %1 gespeichert</translation>
    </message>
    <message>
        <source>File %1 - Saved</source>
        <translation>Datei %1 - gespeichert</translation>
    </message>
    <message>
        <source>File %1 exists, Do you wish to overwrite it?</source>
        <translation>Datei %1 existiert bereits. Möchten Sie sie überschreiben?</translation>
    </message>
    <message>
        <source>File %1 Skipped</source>
        <translation>Datei %1 übersprungen</translation>
    </message>
    <message>
        <source>File %1 - Unable to be converted to UDDF</source>
        <translation>Datei %1 - Umwandlung in UDDF nicht möglich</translation>
    </message>
    <message>
        <source>No log files found in memory</source>
        <translation>Keine Protokolldateien im Speicher gefunden</translation>
    </message>
    <message>
        <source>1 log file found in memory, Saved</source>
        <translation>1 Protokolldatei im Speicher gefunden, gespeichert</translation>
    </message>
    <message>
        <source>1 log file found in memory, Skipped</source>
        <translation>1 Protokolldatei im Speicher gefunden, übersprungen</translation>
    </message>
    <message>
        <source>%1 log files found in memory.  %2 skipped - %3 saved</source>
        <translation>%1 Protokolldateien im Speicher gefunden.  %2 übersprungen - %3 gespeichert</translation>
    </message>
</context>
<context>
    <name>LogMigration</name>
    <message>
        <source>This Upgrade will change the dive logging system.</source>
        <translation>Dieses Upgrade ändert das Tauchgangsprotokollsystem.</translation>
    </message>
    <message>
        <source>If you want to keep your current dive profiles you need to download them now.</source>
        <translation>Wenn Sie Ihre aktuellen Tauchprofile behalten möchten, müssen Sie sie jetzt herunterladen.</translation>
    </message>
    <message>
        <source>Do you want to continue with the upgrade?</source>
        <translation>Möchten Sie mit dem Upgrade fortfahren?</translation>
    </message>
</context>
<context>
    <name>MainDialog</name>
    <message>
        <source>Tessaro</source>
        <translation>Tessaro</translation>
    </message>
    <message>
        <source>SEARCH</source>
        <translation>SUCHEN</translation>
    </message>
    <message>
        <source>Search for devices.</source>
        <translation>Nach Geräten suchen.</translation>
    </message>
    <message>
        <source>Select device port number – Nothing listed? Click Search to auto find connected devices.</source>
        <translation>Anschluss des Geräts wählen – Nichts aufgeführt? Klicken Sie auf Suchen, um angeschlossene Geräte automatisch zu finden.</translation>
    </message>
    <message>
        <source>STATUS</source>
        <translation>STATUS</translation>
    </message>
    <message>
        <source>Establish connection to device.</source>
        <translation>Verbindung zum Gerät herstellen.</translation>
    </message>
    <message>
        <source>&amp;DOWNLOAD FROM DEVICE</source>
        <translation>VOM GERÄT HERUNTER&amp;LADEN</translation>
    </message>
    <message>
        <source>Begin data download from your connected device.</source>
        <translation>Datenübertragung von Ihrem angeschlossenen Gerät starten.</translation>
    </message>
    <message>
        <source>&amp;UPLOAD TO DEVICE</source>
        <translation>AUF GERÄT &amp;ÜBERTRAGEN</translation>
    </message>
    <message>
        <source>Upload new software to your connected device.</source>
        <translation>Neue Software auf Ihr angeschlossenes Gerät übertragen.</translation>
    </message>
    <message>
        <source>Synchronise your computer&apos;s clock with the device clock.</source>
        <translation>Die Uhr Ihres Computers mit der Geräteuhr abgleichen.</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Disconnect and exit Tessaro.</source>
        <translation>Verbindung trennen und Tessaro beenden.</translation>
    </message>
    <message>
        <source>&amp;SETTINGS</source>
        <translation>&amp;EINSTELLUNGEN</translation>
    </message>
    <message>
        <source>&amp;HELP</source>
        <translation>&amp;HILFE</translation>
    </message>
    <message>
        <source>Click to view help and support for Tessaro.</source>
        <translation>Klicken Sie hier für Hilfe und Support zu Tessaro.</translation>
    </message>
    <message>
        <source>&amp;QUOR SUPPORT</source>
        <translation>&amp;QUOR-SUPPORT</translation>
    </message>
    <message>
        <source>&amp;ABOUT</source>
        <translation>Ü&amp;BER</translation>
    </message>
    <message>
        <source>&amp;WEBSITE</source>
        <translation>&amp;WEBSITE</translation>
    </message>
    <message>
        <source>RECONNECT</source>
        <translation>NEU VERBINDEN</translation>
    </message>
    <message>
        <source>CONNECTING...</source>
        <translation>VERBINDE...</translation>
    </message>
    <message>
        <source>CONNECTED</source>
        <translation>VERBUNDEN</translation>
    </message>
    <message>
        <source>VERIFYING...</source>
        <translation>PRÜFE...</translation>
    </message>
    <message>
        <source>DISCONNECTING...</source>
        <translation>TRENNE...</translation>
    </message>
    <message>
        <source>SEARCHING...</source>
        <translation>SUCHE...</translation>
    </message>
    <message>
        <source>ABORTING...</source>
        <translation>BRECHE AB...</translation>
    </message>
    <message>
        <source>Tessaro S, v%1</source>
        <translation>Tessaro S, v%1</translation>
    </message>
    <message>
        <source>Click to view connected device information.</source>
        <translation>Klicken Sie hier, um Informationen zum angeschlossenen Gerät anzuzeigen.</translation>
    </message>
    <message>
        <source>ABORT</source>
        <translation>ABBRECHEN</translation>
    </message>
    <message>
        <source>ABORTING</source>
        <translation>BRECHE AB</translation>
    </message>
    <message>
        <source>Search finished</source>
        <translation>Suche beendet</translation>
    </message>
    <message>
        <source>Search cancelled</source>
        <translation>Suche abgebrochen</translation>
    </message>
    <message>
        <source>Search aborted</source>
        <translation>Suche vorzeitig beendet</translation>
    </message>
    <message>
        <source>The PC and Rebreather clocks differ

Do you wish to synchronise them now?</source>
        <translation>Die Uhren von PC und Rebreather weichen voneinander ab

Möchten Sie sie jetzt abgleichen?</translation>
    </message>
    <message>
        <source>&amp;CLOCK SYNC</source>
        <translation>&amp;UHR ABGLEICHEN</translation>
    </message>
    <message>
        <source>Connect the handset, then click SEARCH to find it.</source>
        <translation>Handset anschließen, dann auf SUCHEN klicken, um es zu finden.</translation>
    </message>
    <message>
        <source>D&amp;IVES</source>
        <translation>&amp;TAUCHGÄNGE</translation>
    </message>
    <message>
        <source>Look at the downloaded dives and the health of the oxygen cells.</source>
        <translation>Die heruntergeladenen Tauchgänge und den Zustand der Sauerstoffzellen ansehen.</translation>
    </message>
</context>
<context>
    <name>PrivateSettingsDialog</name>
    <message>
        <source>Advanced Settings</source>
        <translation>Erweiterte Einstellungen</translation>
    </message>
    <message>
        <source>Debug Message Level</source>
        <translation>Stufe der Diagnosemeldungen</translation>
    </message>
    <message>
        <source>Enable Full Log Book Read</source>
        <translation>Vollständiges Logbuch lesen</translation>
    </message>
    <message>
        <source>Status Log Files</source>
        <translation>Statusprotokolle</translation>
    </message>
    <message>
        <source>&amp;SHOW</source>
        <translation>A&amp;NZEIGEN</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;CANCEL</source>
        <translation>&amp;ABBRECHEN</translation>
    </message>
    <message>
        <source>Memory Images (.ccx)</source>
        <translation>Speicherabbilder (.ccx)</translation>
    </message>
    <message>
        <source>&amp;PROCESS</source>
        <translation>&amp;VERARBEITEN</translation>
    </message>
    <message>
        <source>Save the dives of downloaded memory images again as log files.</source>
        <translation>Die Tauchgänge heruntergeladener Speicherabbilder erneut als Tauchprotokolle speichern.</translation>
    </message>
</context>
<context>
    <name>ProcessCCXDialog</name>
    <message>
        <source>Process Memory Images</source>
        <translation>Speicherabbilder verarbeiten</translation>
    </message>
    <message>
        <source>Choose memory images (.ccx files) to save their dives again as log files (.ccl) beside them.</source>
        <translation>Wählen Sie Speicherabbilder (.ccx-Dateien), deren Tauchgänge erneut als Tauchprotokolle (.ccl) daneben gespeichert werden.</translation>
    </message>
    <message>
        <source>&amp;SELECT FILES</source>
        <translation>&amp;DATEIEN WÄHLEN</translation>
    </message>
    <message>
        <source>Choose the memory images to process.</source>
        <translation>Die zu verarbeitenden Speicherabbilder wählen.</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Select Memory Images</source>
        <translation>Speicherabbilder wählen</translation>
    </message>
    <message>
        <source>CCX Files (*.ccx)</source>
        <translation>CCX-Dateien (*.ccx)</translation>
    </message>
</context>
<context>
    <name>RemoteSupportDialog</name>
    <message>
        <source>Remote Support</source>
        <translation>Fernunterstützung</translation>
    </message>
    <message>
        <source>SERVER CONNECTION DETAILS</source>
        <translation>SERVERVERBINDUNG</translation>
    </message>
    <message>
        <source>USER ID</source>
        <translation>BENUTZER-ID</translation>
    </message>
    <message>
        <source>C&amp;ONNECT</source>
        <translation>&amp;VERBINDEN</translation>
    </message>
    <message>
        <source>UNIT CONNECTION DETAILS</source>
        <translation>GERÄTEVERBINDUNG</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>&amp;RECONNECT</source>
        <translation>&amp;ERNEUT VERBINDEN</translation>
    </message>
    <message>
        <source>MESSAGES</source>
        <translation>NACHRICHTEN</translation>
    </message>
    <message>
        <source>&amp;SEND</source>
        <translation>SE&amp;NDEN</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Serial Number %1</source>
        <translation>Seriennummer %1</translation>
    </message>
    <message>
        <source>Are you sure you wish to end this support session?</source>
        <translation>Möchten Sie diese Support-Sitzung wirklich beenden?</translation>
    </message>
    <message>
        <source>DISCONNECT</source>
        <translation>TRENNEN</translation>
    </message>
    <message>
        <source>CONNECT</source>
        <translation>VERBINDEN</translation>
    </message>
</context>
<context>
    <name>RemoteSupportSession</name>
    <message>
        <source>Preparing communications...</source>
        <translation>Verbindung wird vorbereitet...</translation>
    </message>
    <message>
        <source>Preparation complete.</source>
        <translation>Vorbereitung abgeschlossen.</translation>
    </message>
    <message>
        <source>No IP Address available</source>
        <translation>Keine IP-Adresse verfügbar</translation>
    </message>
    <message>
        <source>Attempting to connect to Quor Remote Support.</source>
        <translation>Verbindung zu Quor Remote Support wird hergestellt.</translation>
    </message>
    <message>
        <source>Client socket failed to open.</source>
        <translation>Die Verbindung konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Connection closed.</source>
        <translation>Verbindung geschlossen.</translation>
    </message>
    <message>
        <source>Quor Remote Support connection refused. Please check the host name and port settings.</source>
        <translation>Quor Remote Support hat die Verbindung abgelehnt. Bitte prüfen Sie Hostname und Port in den Einstellungen.</translation>
    </message>
    <message>
        <source>Quor Remote Support not found. Please check the host name and port settings.</source>
        <translation>Quor Remote Support wurde nicht gefunden. Bitte prüfen Sie Hostname und Port in den Einstellungen.</translation>
    </message>
    <message>
        <source>The following connection error occured: %1</source>
        <translation>Folgender Verbindungsfehler ist aufgetreten: %1</translation>
    </message>
    <message>
        <source>Sent: </source>
        <translation>Gesendet: </translation>
    </message>
    <message>
        <source>Rcvd: %1</source>
        <translation>Empfangen: %1</translation>
    </message>
    <message>
        <source>A support technician has joined this session.</source>
        <translation>Ein Support-Techniker ist der Sitzung beigetreten.</translation>
    </message>
    <message>
        <source>The support technician has left this session.</source>
        <translation>Der Support-Techniker hat die Sitzung verlassen.</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>SPRACHE</translation>
    </message>
    <message>
        <source>UNITS</source>
        <translation>EINHEITEN</translation>
    </message>
    <message>
        <source>Metric</source>
        <translation>Metrisch</translation>
    </message>
    <message>
        <source>Imperial</source>
        <translation>Imperial</translation>
    </message>
    <message>
        <source>DOWNLOAD DIRECTORY</source>
        <translation>DOWNLOAD-ORDNER</translation>
    </message>
    <message>
        <source>Choose download directory.</source>
        <translation>Download-Ordner wählen.</translation>
    </message>
    <message>
        <source>&amp;BROWSE</source>
        <translation>&amp;DURCHSUCHEN</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Select Download Folder</source>
        <translation>Download-Ordner wählen</translation>
    </message>
    <message>
        <source>UDDF FILES</source>
        <translation>UDDF-DATEIEN</translation>
    </message>
    <message>
        <source>Cell readings as UDDF 3.3.0 &amp;ppo2</source>
        <translation>Zellmesswerte als UDDF 3.3.0 &amp;ppo2</translation>
    </message>
    <message>
        <source>Write each oxygen-cell reading as the UDDF 3.3.0 element ppo2, which dive-log programs reading UDDF 3.3.0 understand. Off: the readings are written as measuredpo2, as in earlier files.</source>
        <translation>Jeden Messwert der Sauerstoffzellen als UDDF-3.3.0-Element ppo2 schreiben, das Tauchlogprogramme für UDDF 3.3.0 verstehen. Aus: Die Messwerte werden wie in früheren Dateien als measuredpo2 geschrieben.</translation>
    </message>
</context>
<context>
    <name>UploadData</name>
    <message>
        <source>Config Present</source>
        <translation>Konfiguration vorhanden</translation>
    </message>
    <message>
        <source>Config Absent</source>
        <translation>Konfiguration nicht vorhanden</translation>
    </message>
    <message>
        <source>Eeprom Present</source>
        <translation>EEPROM vorhanden</translation>
    </message>
    <message>
        <source>Eeprom Absent</source>
        <translation>EEPROM nicht vorhanden</translation>
    </message>
    <message>
        <source>User Info Modification</source>
        <translation>Änderung der Benutzerinformationen</translation>
    </message>
    <message>
        <source>Decompression Option Update</source>
        <translation>Aktualisierung der Dekompressionsoptionen</translation>
    </message>
    <message>
        <source>Firmware Upgrade</source>
        <translation>Firmware-Upgrade</translation>
    </message>
    <message>
        <source>Fix</source>
        <translation>Korrektur</translation>
    </message>
    <message>
        <source>CO2 Sensor Update</source>
        <translation>CO2-Sensor-Aktualisierung</translation>
    </message>
    <message>
        <source>ATE Update</source>
        <translation>ATE-Aktualisierung</translation>
    </message>
    <message>
        <source>Colour Theme Update</source>
        <translation>Farbschema-Aktualisierung</translation>
    </message>
    <message>
        <source>Custom Theme 1 - %1</source>
        <translation>Eigenes Farbschema 1 - %1</translation>
    </message>
    <message>
        <source>Custom Theme 2 - %1</source>
        <translation>Eigenes Farbschema 2 - %1</translation>
    </message>
    <message>
        <source>Unknown FileType</source>
        <translation>Unbekannter Dateityp</translation>
    </message>
</context>
<context>
    <name>UploadDialog</name>
    <message>
        <source>Upload</source>
        <translation>Hochladen</translation>
    </message>
    <message>
        <source>Choose upgrade file.</source>
        <translation>Upgrade-Datei auswählen.</translation>
    </message>
    <message>
        <source>&amp;BROWSE</source>
        <translation>&amp;DURCHSUCHEN</translation>
    </message>
    <message>
        <source>Upload file to device.</source>
        <translation>Datei auf das Gerät hochladen.</translation>
    </message>
    <message>
        <source>&amp;UPLOAD</source>
        <translation>&amp;HOCHLADEN</translation>
    </message>
    <message>
        <source>&amp;CLOSE</source>
        <translation>&amp;SCHLIESSEN</translation>
    </message>
    <message>
        <source>Update Files (*.ccr)</source>
        <translation>Update-Dateien (*.ccr)</translation>
    </message>
    <message>
        <source>Estimated Time %1:%2</source>
        <translation>Geschätzte Zeit %1:%2</translation>
    </message>
    <message>
        <source>Remaining Time %1:%2</source>
        <translation>Verbleibende Zeit %1:%2</translation>
    </message>
    <message>
        <source>Opening </source>
        <translation>Öffne </translation>
    </message>
    <message>
        <source>Uploading file</source>
        <translation>Datei wird hochgeladen</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Abgeschlossen</translation>
    </message>
    <message>
        <source>Disconnected.  Reconnect and try again.</source>
        <translation>Verbindung getrennt.  Neu verbinden und erneut versuchen.</translation>
    </message>
</context>
<context>
    <name>UploadFileLoader</name>
    <message>
        <source>Invalid upload file. Blank line %1</source>
        <translation>Ungültige Upload-Datei. Leere Zeile %1</translation>
    </message>
    <message>
        <source>Invalid upload file. More than %1 blocks at line %2</source>
        <translation>Ungültige Upload-Datei. Mehr als %1 Blöcke in Zeile %2</translation>
    </message>
    <message>
        <source>Invalid upload file. Bad checksum line %1</source>
        <translation>Ungültige Upload-Datei. Falsche Prüfsumme in Zeile %1</translation>
    </message>
    <message>
        <source>Invalid upload file. Data before the first block title line %1</source>
        <translation>Ungültige Upload-Datei. Daten vor dem ersten Blocktitel in Zeile %1</translation>
    </message>
    <message>
        <source>Invalid upload file. Address out of range line %1</source>
        <translation>Ungültige Upload-Datei. Adresse außerhalb des Bereichs in Zeile %1</translation>
    </message>
    <message>
        <source>Invalid upload file type</source>
        <translation>Ungültiger Upload-Dateityp</translation>
    </message>
    <message>
        <source>Invalid device for this file type</source>
        <translation>Ungültiges Gerät für diesen Dateityp</translation>
    </message>
    <message>
        <source>Invalid address. Start address 0x%1 does not equal 0x%2</source>
        <translation>Ungültige Adresse. Startadresse 0x%1 ist nicht gleich 0x%2</translation>
    </message>
    <message>
        <source>Invalid address. End address 0x%1 exceeds limit of 0x%2</source>
        <translation>Ungültige Adresse. Endadresse 0x%1 überschreitet die Grenze 0x%2</translation>
    </message>
    <message>
        <source>Address warning. End address 0x%1 exceeds warning limit of 0x%2</source>
        <translation>Adresswarnung. Endadresse 0x%1 überschreitet die Warngrenze 0x%2</translation>
    </message>
    <message>
        <source>Invalid Address. Spi Start address 0x%1 is less than 0x%2</source>
        <translation>Ungültige Adresse. SPI-Startadresse 0x%1 ist kleiner als 0x%2</translation>
    </message>
    <message>
        <source>Invalid Address. Spi End address 0x%1 exceeds limit of 0x%2</source>
        <translation>Ungültige Adresse. SPI-Endadresse 0x%1 überschreitet die Grenze 0x%2</translation>
    </message>
    <message>
        <source>Invalid upload file. External flash data cannot be uploaded</source>
        <translation>Ungültige Upload-Datei. Daten für den externen Flash-Speicher können nicht hochgeladen werden</translation>
    </message>
    <message>
        <source>Invalid config byte 2 in %1 code block</source>
        <translation>Ungültiges Konfigurationsbyte 2 im Codeblock für %1</translation>
    </message>
    <message>
        <source>Invalid address. %1 data lies outside the memory of %2</source>
        <translation>Ungültige Adresse. %1-Daten liegen außerhalb des Speichers von %2</translation>
    </message>
    <message>
        <source>~~~Unable to open the file</source>
        <translation>~~~Die Datei kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>~~~The file selected is an old file format that is no longer supported~~~Please download the latest version from the Quor website with the filename suffix _S</source>
        <translation>~~~Die gewählte Datei hat ein altes Dateiformat, das nicht mehr unterstützt wird~~~Bitte laden Sie die neueste Version mit der Dateiendung _S von der Quor-Website herunter</translation>
    </message>
    <message>
        <source>~~~Invalid colour theme data</source>
        <translation>~~~Ungültige Farbschema-Daten</translation>
    </message>
    <message>
        <source>~~~Unable to load the data file</source>
        <translation>~~~Die Datendatei kann nicht geladen werden</translation>
    </message>
    <message>
        <source>~~~File is not a valid upload type</source>
        <translation>~~~Die Datei ist kein gültiger Upload-Typ</translation>
    </message>
    <message>
        <source>~~~Unable to locate the upload data</source>
        <translation>~~~Die Upload-Daten wurden nicht gefunden</translation>
    </message>
    <message>
        <source>~~~Invalid upload data</source>
        <translation>~~~Ungültige Upload-Daten</translation>
    </message>
    <message>
        <source>Invalid file extension</source>
        <translation>Ungültige Dateiendung</translation>
    </message>
    <message>
        <source>Invalid file type</source>
        <translation>Ungültiger Dateityp</translation>
    </message>
    <message>
        <source>Upload not permitted~~~</source>
        <translation>Hochladen nicht erlaubt~~~</translation>
    </message>
</context>
<context>
    <name>UploadProcedure</name>
    <message>
        <source>Error, Incompatible display connected</source>
        <translation>Fehler, inkompatibles Display angeschlossen</translation>
    </message>
    <message>
        <source>Error, Code is for a mono display - Colour display connected</source>
        <translation>Fehler, der Code ist für ein Monochrom-Display - Farbdisplay angeschlossen</translation>
    </message>
    <message>
        <source>Error, Mono Code - Colour display connected</source>
        <translation>Fehler, Monochrom-Code - Farbdisplay angeschlossen</translation>
    </message>
    <message>
        <source>Error, Code is for a Colour display - Mono display connected</source>
        <translation>Fehler, der Code ist für ein Farbdisplay - Monochrom-Display angeschlossen</translation>
    </message>
    <message>
        <source>Error, Colour Code - Mono display connected</source>
        <translation>Fehler, Farb-Code - Monochrom-Display angeschlossen</translation>
    </message>
    <message>
        <source>Missing device - %1</source>
        <translation>Fehlendes Gerät - %1</translation>
    </message>
    <message>
        <source>Error, Unable to set CO2 sensor mode correctly.</source>
        <translation>Fehler, der Modus des CO2-Sensors konnte nicht richtig eingestellt werden.</translation>
    </message>
    <message>
        <source>

Do you wish to overwrite the existing code?</source>
        <translation>

Möchten Sie den vorhandenen Code überschreiben?</translation>
    </message>
    <message>
        <source>The new code date for %1 is older than the current code date!</source>
        <translation>Das neue Codedatum für %1 ist älter als das aktuelle Codedatum!</translation>
    </message>
    <message>
        <source>

New Date </source>
        <translation>

Neues Datum </translation>
    </message>
    <message>
        <source>, Current Date </source>
        <translation>, aktuelles Datum </translation>
    </message>
    <message>
        <source>An invalid code date was encountered!</source>
        <translation>Es wurde ein ungültiges Codedatum gefunden!</translation>
    </message>
    <message>
        <source>The new code version for %1 is older than the current code version!</source>
        <translation>Die neue Codeversion für %1 ist älter als die aktuelle Codeversion!</translation>
    </message>
    <message>
        <source>

New Version </source>
        <translation>

Neue Version </translation>
    </message>
    <message>
        <source>, Current Version </source>
        <translation>, aktuelle Version </translation>
    </message>
    <message>
        <source>Error, Code Version &amp; Date checks</source>
        <translation>Fehler, Prüfung von Codeversion &amp; Datum</translation>
    </message>
    <message>
        <source>Logging Format Change Check - Aborting Upload</source>
        <translation>Prüfung der Protokollformatänderung - Hochladen abgebrochen</translation>
    </message>
    <message>
        <source>Log book and Eeprom migration failed</source>
        <translation>Umstellung von Logbuch und EEPROM fehlgeschlagen</translation>
    </message>
    <message>
        <source>Code Validity write failed.  Error - %1</source>
        <translation>Schreiben der Codegültigkeit fehlgeschlagen.  Fehler - %1</translation>
    </message>
    <message>
        <source>Colour ram preset write failed.  Error - %1</source>
        <translation>Vorbelegung des Farb-RAM fehlgeschlagen.  Fehler - %1</translation>
    </message>
    <message>
        <source>Block 1 write failed.  Error - %1</source>
        <translation>Schreiben von Block 1 fehlgeschlagen.  Fehler - %1</translation>
    </message>
    <message>
        <source>Block 2 write failed.  Error - %1</source>
        <translation>Schreiben von Block 2 fehlgeschlagen.  Fehler - %1</translation>
    </message>
    <message>
        <source>ID write failed.  Error - %1</source>
        <translation>Schreiben der ID fehlgeschlagen.  Fehler - %1</translation>
    </message>
    <message>
        <source>Config write failed.  Error - %1</source>
        <translation>Schreiben der Konfiguration fehlgeschlagen.  Fehler - %1</translation>
    </message>
    <message>
        <source>Eeprom write failed.  Error - %1</source>
        <translation>Schreiben des EEPROM fehlgeschlagen.  Fehler - %1</translation>
    </message>
    <message>
        <source>Block write failed. Block %1 Address %2. Error - %3</source>
        <translation>Schreiben des Blocks fehlgeschlagen. Block %1 Adresse %2. Fehler - %3</translation>
    </message>
    <message>
        <source>Upload not permitted~~~</source>
        <translation>Hochladen nicht erlaubt~~~</translation>
    </message>
    <message>
        <source>Upload failed</source>
        <translation>Hochladen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Upload complete - Verifying data</source>
        <translation>Hochladen abgeschlossen - Daten werden geprüft</translation>
    </message>
    <message>
        <source>Upload complete</source>
        <translation>Hochladen abgeschlossen</translation>
    </message>
</context>
<context>
    <name>V1Download</name>
    <message>
        <source>Unable to read the logging pointers</source>
        <translation>Protokollzeiger können nicht gelesen werden</translation>
    </message>
    <message>
        <source>Unable to read the logging pointer</source>
        <translation>Protokollzeiger kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Preparation completed</source>
        <translation>Vorbereitung abgeschlossen</translation>
    </message>
    <message>
        <source>No data in memory to download</source>
        <translation>Keine Daten zum Herunterladen im Speicher</translation>
    </message>
    <message>
        <source>Download started</source>
        <translation>Herunterladen gestartet</translation>
    </message>
    <message>
        <source>Download aborted</source>
        <translation>Herunterladen abgebrochen</translation>
    </message>
    <message>
        <source>Download complete, saving files to </source>
        <translation>Herunterladen abgeschlossen, Dateien werden gespeichert in </translation>
    </message>
    <message>
        <source>Unable to locate the Log Data memory</source>
        <translation>Protokolldatenspeicher nicht gefunden</translation>
    </message>
    <message>
        <source>Partioning failed</source>
        <translation>Aufteilung fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>V2Download</name>
    <message>
        <source>Log book read started (full)</source>
        <translation>Lesen des Logbuchs gestartet (vollständig)</translation>
    </message>
    <message>
        <source>Log book read started</source>
        <translation>Lesen des Logbuchs gestartet</translation>
    </message>
    <message>
        <source>Unable to locate the Log Book memory</source>
        <translation>Logbuchspeicher nicht gefunden</translation>
    </message>
    <message>
        <source>Log book read completed</source>
        <translation>Logbuch gelesen</translation>
    </message>
    <message>
        <source>Download started</source>
        <translation>Herunterladen gestartet</translation>
    </message>
    <message>
        <source>Download failed</source>
        <translation>Herunterladen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Download aborted</source>
        <translation>Herunterladen abgebrochen</translation>
    </message>
    <message>
        <source>Download complete, saving files</source>
        <translation>Herunterladen abgeschlossen, Dateien werden gespeichert</translation>
    </message>
</context>
<context>
    <name>V2LogSaver</name>
    <message>
        <source>Dive %1 could not be located in the handset&apos;s memory, no file saved</source>
        <translation>Tauchgang %1 wurde im Speicher des Handsets nicht gefunden, keine Datei gespeichert</translation>
    </message>
    <message>
        <source>Dive %1 is no longer in the handset&apos;s memory, no file saved</source>
        <translation>Tauchgang %1 ist nicht mehr im Speicher des Handsets, keine Datei gespeichert</translation>
    </message>
</context>
<context>
    <name>WorkerC</name>
    <message>
        <source>This operation is not available in this version.</source>
        <translation>Dieser Vorgang ist in dieser Version nicht verfügbar.</translation>
    </message>
    <message>
        <source>Searching for valid connections to devices</source>
        <translation>Suche nach gültigen Verbindungen zu Geräten</translation>
    </message>
    <message>
        <source>Checking </source>
        <translation>Prüfe </translation>
    </message>
    <message>
        <source>ORBITA / %1</source>
        <translation>ORBITA / %1</translation>
    </message>
    <message>
        <source>ORBITA 2020 / %1</source>
        <translation>ORBITA 2020 / %1</translation>
    </message>
    <message>
        <source>Accepted port %1</source>
        <translation>Anschluss %1 übernommen</translation>
    </message>
    <message>
        <source>Restoring original com port</source>
        <translation>Ursprünglichen Anschluss wiederherstellen</translation>
    </message>
    <message>
        <source>The computer&apos;s clock reads %1. The rebreather&apos;s clock can only hold the years 2000 to 2099, so the clocks were not synchronised. Correct the computer&apos;s clock and synchronise again.</source>
        <translation>Die Uhr des Computers zeigt %1. Die Uhr des Rebreathers kann nur die Jahre 2000 bis 2099 halten, daher wurden die Uhren nicht abgeglichen. Stellen Sie die Uhr des Computers richtig und gleichen Sie danach erneut ab.</translation>
    </message>
    <message>
        <source>Upload not permitted~~~</source>
        <translation>Hochladen nicht erlaubt~~~</translation>
    </message>
    <message>
        <source>No update file loaded</source>
        <translation>Keine Update-Datei geladen</translation>
    </message>
</context>
<context>
    <name>YesConfirmation</name>
    <message>
        <source>If you accept the loss of profiles

Type &apos;yes&apos; in this box</source>
        <translation>Wenn Sie den Verlust der Profile akzeptieren,

geben Sie &apos;yes&apos; in dieses Feld ein</translation>
    </message>
    <message>
        <source>&amp;CONTINUE</source>
        <translation>&amp;WEITER</translation>
    </message>
    <message>
        <source>&amp;CANCEL</source>
        <translation>&amp;ABBRECHEN</translation>
    </message>
</context>
<context>
    <name>YesNo</name>
    <message>
        <source>&amp;YES</source>
        <translation>&amp;JA</translation>
    </message>
    <message>
        <source>&amp;NO</source>
        <translation>&amp;NEIN</translation>
    </message>
</context>
<context>
    <name>YesNoCancel</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>&amp;YES</source>
        <translation>&amp;JA</translation>
    </message>
    <message>
        <source>&amp;NO</source>
        <translation>&amp;NEIN</translation>
    </message>
    <message>
        <source>&amp;CANCEL</source>
        <translation>&amp;ABBRECHEN</translation>
    </message>
</context>
<context>
    <name>YesYesToAllNoNoToAll</name>
    <message>
        <source>&amp;YES</source>
        <translation>&amp;JA</translation>
    </message>
    <message>
        <source>Y&amp;ES TO ALL</source>
        <translation>JA &amp;ZU ALLEN</translation>
    </message>
    <message>
        <source>&amp;NO</source>
        <translation>&amp;NEIN</translation>
    </message>
    <message>
        <source>N&amp;O TO ALL</source>
        <translation>NEIN Z&amp;U ALLEN</translation>
    </message>
</context>
<context>
    <name>ok</name>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
</TS>
