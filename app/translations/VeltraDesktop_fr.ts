<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="fr_FR">
<context>
    <name>AboutWindow</name>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
</context>
<context>
    <name>DiveListView</name>
    <message>
        <source>No name</source>
        <translation>Sans nom</translation>
    </message>
    <message>
        <source>%1 dives</source>
        <translation>%1 plongées</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>noms</translation>
    </message>
    <message>
        <source>Dives</source>
        <translation>plongées</translation>
    </message>
    <message>
        <source>Dive Id</source>
        <translation>Plongée</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Date/Heure</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Profondeur</translation>
    </message>
</context>
<context>
    <name>FormFilter</name>
    <message>
        <source>No name</source>
        <translation>Sans nom</translation>
    </message>
</context>
<context>
    <name>FormFilterClass</name>
    <message>
        <source>Filter</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <source>By computer</source>
        <translation>Par ordinateur</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Actif</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Tous</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>By date</source>
        <translation>Par date</translation>
    </message>
    <message>
        <source>Start date</source>
        <translation>Date de début</translation>
    </message>
    <message>
        <source>End date</source>
        <translation>Date de fin</translation>
    </message>
    <message>
        <source>Time range</source>
        <translation>Plage horaire</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Heure de début</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>Heure de fin</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Impossible to create the application data folder
%1
The program cannot start.</source>
        <translation>Impossible de créer le dossier de données de l'application
%1
Le programme ne peut pas démarrer.</translation>
    </message>
    <message>
        <source>Not available in this version</source>
        <translation>Non disponible dans cette version</translation>
    </message>
    <message>
        <source>Veltra Desktop - </source>
        <translation>Veltra Desktop - </translation>
    </message>
    <message>
        <source>Download dives</source>
        <translation>Télécharger les plongées</translation>
    </message>
    <message>
        <source>Program name</source>
        <translation>Nom du propriétaire</translation>
    </message>
    <message>
        <source>Database Error</source>
        <translation>Erreur de base de données</translation>
    </message>
    <message>
        <source>Impossible to open database</source>
        <translation>Impossible d'ouvrir la base de données</translation>
    </message>
    <message>
        <source>Impossible to create database 
</source>
        <translation>Impossible de créer la base de données 
</translation>
    </message>
    <message>
        <source>Impossible to open file</source>
        <translation>Impossible d'ouvrir le fichier</translation>
    </message>
    <message>
        <source>Open Dive File</source>
        <translation>Ouvrir un fichier de plongée</translation>
    </message>
    <message>
        <source>Dive file (*.csv *.uddf *.divebin);;Csv file (*.csv);;UDDF file (*.uddf);;Binary dive file (*.divebin)</source>
        <translation>Fichier de plongée (*.csv *.uddf *.divebin);;Fichier CSV (*.csv);;Fichier UDDF (*.uddf);;Fichier de plongée binaire (*.divebin)</translation>
    </message>
    <message>
        <source>Invalid File</source>
        <translation>Fichier invalide</translation>
    </message>
    <message>
        <source>Impossible to read profile</source>
        <translation>Impossible de lire le profil</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Renommer</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Invalid name</source>
        <translation>Nom invalide</translation>
    </message>
    <message>
        <source>Impossible to write profile </source>
        <translation>Impossible d'écrire le profil </translation>
    </message>
    <message>
        <source>
Database not open</source>
        <translation>
Base de données non ouverte</translation>
    </message>
    <message>
        <source>
Dive Id already exists</source>
        <translation>
Cette plongée existe déjà</translation>
    </message>
    <message>
        <source>Write Database Error</source>
        <translation>Erreur d'écriture en base</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>csv separator</source>
        <translation>séparateur csv</translation>
    </message>
    <message>
        <source>Dot .</source>
        <translation>Point .</translation>
    </message>
    <message>
        <source>Comma ,</source>
        <translation>Virgule ,</translation>
    </message>
    <message>
        <source>Add to planification</source>
        <translation>Ajouter à la planification</translation>
    </message>
    <message>
        <source>Are you sure to delete this dive?</source>
        <translation>Voulez-vous vraiment supprimer cette plongée ?</translation>
    </message>
    <message>
        <source>Are you sure to delete these dives?</source>
        <translation>Voulez-vous vraiment supprimer ces plongées ?</translation>
    </message>
    <message>
        <source>Delete dive</source>
        <translation>Supprimer la plongée</translation>
    </message>
    <message>
        <source>Impossible to delete profile(</source>
        <translation>Impossible de supprimer le profil (</translation>
    </message>
    <message>
        <source>Name already exists</source>
        <translation>Ce nom existe déjà</translation>
    </message>
    <message>
        <source>Export Profile</source>
        <translation>Exporter le profil</translation>
    </message>
    <message>
        <source>Dive file (*.uddf *.csv);;UDDF file (*.uddf);;Csv file (*.csv)</source>
        <translation>Fichier de plongée (*.uddf *.csv);;Fichier UDDF (*.uddf);;Fichier CSV (*.csv)</translation>
    </message>
    <message>
        <source>Invalid File Name</source>
        <translation>Nom de fichier invalide</translation>
    </message>
    <message>
        <source>Impossible to write file</source>
        <translation>Impossible d'écrire le fichier</translation>
    </message>
    <message>
        <source>Save selection</source>
        <translation>Enregistrer la sélection</translation>
    </message>
    <message>
        <source>Save Dive File</source>
        <translation>Enregistrer le fichier de plongée</translation>
    </message>
</context>
<context>
    <name>MainWindowClass</name>
    <message>
        <source>Brenmor Systems Dive</source>
        <translation>Brenmor Systems Dive</translation>
    </message>
    <message>
        <source>Dives management</source>
        <translation>Gestion des plongées</translation>
    </message>
    <message>
        <source>Import dive</source>
        <translation>Importer une plongée</translation>
    </message>
    <message>
        <source>Store dive</source>
        <translation>Enregistrer la plongée</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Connect Veltra</source>
        <translation>Connecter la Veltra</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:700; color:#0055ff;"&gt;Computer Disconnected&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:700; color:#0055ff;"&gt;Ordinateur déconnecté&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <source>0 Computers/0 Dives</source>
        <translation>0 ordinateurs/0 plongées</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Date/Heure</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Profondeur</translation>
    </message>
    <message>
        <source>Fit to all</source>
        <translation>Tout afficher</translation>
    </message>
    <message>
        <source>Points</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
    <message>
        <source>Deco</source>
        <translation>Déco</translation>
    </message>
    <message>
        <source>Alerts</source>
        <translation>Alertes</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Résumé</translation>
    </message>
    <message>
        <source>Dive name</source>
        <translation>Nom de la plongée</translation>
    </message>
    <message>
        <source>Max depth</source>
        <translation>Profondeur max</translation>
    </message>
    <message>
        <source>Average depth</source>
        <translation>Profondeur moyenne</translation>
    </message>
    <message>
        <source>Place</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>Ceil</source>
        <translation>Plafond</translation>
    </message>
    <message>
        <source>RR</source>
        <translation>RR</translation>
    </message>
    <message>
        <source>Yoyo</source>
        <translation>Yoyo</translation>
    </message>
    <message>
        <source>Security</source>
        <translation>Sécurité</translation>
    </message>
    <message>
        <source>Dives/24H</source>
        <translation>Plongées/24H</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Ordinateur</translation>
    </message>
    <message>
        <source>Sample interval</source>
        <translation>Intervalle d'échantillonnage</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>N° de série</translation>
    </message>
    <message>
        <source>Gases</source>
        <translation>Gaz</translation>
    </message>
    <message>
        <source>O2</source>
        <translation>O2</translation>
    </message>
    <message>
        <source>He</source>
        <translation>He</translation>
    </message>
    <message>
        <source>Console</source>
        <translation>Console</translation>
    </message>
    <message>
        <source>Simulation</source>
        <translation>Simulation</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuel</translation>
    </message>
    <message>
        <source>Ambient Pressure</source>
        <translation>Pression ambiante</translation>
    </message>
    <message>
        <source> mbar</source>
        <translation> mbar</translation>
    </message>
    <message>
        <source>Ascent</source>
        <translation>Remontée</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Point number:</source>
        <translation>Numéro de point :</translation>
    </message>
    <message>
        <source>Time:</source>
        <translation>Temps :</translation>
    </message>
    <message>
        <source>Depth:</source>
        <translation>Profondeur :</translation>
    </message>
    <message>
        <source>NDL/Ceil:</source>
        <translation>NDL/Plafond :</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>Dive planification</source>
        <translation>Planification de plongée</translation>
    </message>
    <message>
        <source>The dive planner is not part of this version yet.</source>
        <translation>Le planificateur de plongée ne fait pas encore partie de cette version.</translation>
    </message>
    <message>
        <source>Dive mode</source>
        <translation>Mode de plongée</translation>
    </message>
    <message>
        <source>Open Circuit</source>
        <translation>Circuit ouvert</translation>
    </message>
    <message>
        <source>Closed Circuit</source>
        <translation>Circuit fermé</translation>
    </message>
    <message>
        <source>Add dive</source>
        <translation>Ajouter une plongée</translation>
    </message>
    <message>
        <source>Replace current dive by a new one</source>
        <translation>Remplacer la plongée courante par une nouvelle</translation>
    </message>
    <message>
        <source>Remove active dive</source>
        <translation>Retirer la plongée active</translation>
    </message>
    <message>
        <source>Add existing dive</source>
        <translation>Ajouter une plongée existante</translation>
    </message>
    <message>
        <source>Surface pressure</source>
        <translation>Pression en surface</translation>
    </message>
    <message>
        <source>Water type</source>
        <translation>Type d'eau</translation>
    </message>
    <message>
        <source>Salt</source>
        <translation>Salée</translation>
    </message>
    <message>
        <source>Fresh</source>
        <translation>Douce</translation>
    </message>
    <message>
        <source>Surface interval</source>
        <translation>Intervalle de surface</translation>
    </message>
    <message>
        <source>Air</source>
        <translation>Air</translation>
    </message>
    <message>
        <source>Nx40</source>
        <translation>Nx40</translation>
    </message>
    <message>
        <source>Air + OxyAR</source>
        <translation>Air + OxyAR</translation>
    </message>
    <message>
        <source>Air + OxySR</source>
        <translation>Air + OxySR</translation>
    </message>
    <message>
        <source>CF Oxy</source>
        <translation>CF Oxy</translation>
    </message>
    <message>
        <source>GFl</source>
        <translation>GFl</translation>
    </message>
    <message>
        <source>GFh</source>
        <translation>GFh</translation>
    </message>
    <message>
        <source>%Rd</source>
        <translation>%Rd</translation>
    </message>
    <message>
        <source>Designation</source>
        <translation>Désignation</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Add dive point</source>
        <translation>Ajouter un point</translation>
    </message>
    <message>
        <source>Remove selected dive point</source>
        <translation>Retirer le point sélectionné</translation>
    </message>
    <message>
        <source>Create new simulation</source>
        <translation>Nouvelle simulation</translation>
    </message>
    <message>
        <source>Open simulation</source>
        <translation>Ouvrir une simulation</translation>
    </message>
    <message>
        <source>Save simulation</source>
        <translation>Enregistrer la simulation</translation>
    </message>
    <message>
        <source>Hide/Show points</source>
        <translation>Masquer/Afficher les points</translation>
    </message>
    <message>
        <source>Test YOYO</source>
        <translation>Test YOYO</translation>
    </message>
    <message>
        <source>Test RR</source>
        <translation>Test RR</translation>
    </message>
    <message>
        <source>Solve</source>
        <translation>Calculer</translation>
    </message>
    <message>
        <source>Tissues N2 load at</source>
        <translation>Charge N2 des tissus à</translation>
    </message>
    <message>
        <source>Start of dive</source>
        <translation>Début de plongée</translation>
    </message>
    <message>
        <source>End of dive</source>
        <translation>Fin de plongée</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>---</source>
        <translation>---</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
</TS>