<?xml version="1.0" encoding="UTF-8"?>
<!--
  The alert log as a table, oldest event first, newest last.
  Input: <AlertLog Path="..."><Event><Time/><Severity/><Object/><Text/></Event>...</AlertLog>
  Time, severity and object are padded to their widest entry; the text
  takes the rest of the line. An event without a field shows it empty.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:rk="urn:rk:report-sheets" exclude-result-prefixes="rk">
  <xsl:import href="vw/cli/common.xsl"/>
  <xsl:output method="text" encoding="UTF-8"/>

  <xsl:template match="/">
    <xsl:apply-templates select="AlertLog"/>
  </xsl:template>

  <xsl:template match="AlertLog">
    <xsl:value-of select="concat('Alert Log: ', @Path, $rk.nl)"/>
    <xsl:choose>
      <xsl:when test="not(Event)">
        <xsl:value-of select="concat($rk.nl, 'The alert log is empty.', $rk.nl)"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="timeWidth"><xsl:call-template name="widest"><xsl:with-param name="nodes" select="Event/Time"/><xsl:with-param name="least" select="4"/></xsl:call-template></xsl:variable>
        <xsl:variable name="severityWidth"><xsl:call-template name="widest"><xsl:with-param name="nodes" select="Event/Severity"/><xsl:with-param name="least" select="8"/></xsl:call-template></xsl:variable>
        <xsl:variable name="objectWidth"><xsl:call-template name="widest"><xsl:with-param name="nodes" select="Event/Object"/><xsl:with-param name="least" select="6"/></xsl:call-template></xsl:variable>
        <xsl:value-of select="$rk.nl"/>
        <xsl:call-template name="line">
          <xsl:with-param name="time" select="'Time'"/>
          <xsl:with-param name="severity" select="'Severity'"/>
          <xsl:with-param name="object" select="'Object'"/>
          <xsl:with-param name="text" select="'Event'"/>
          <xsl:with-param name="widths" select="concat($timeWidth, ' ', $severityWidth, ' ', $objectWidth)"/>
        </xsl:call-template>
        <xsl:for-each select="Event">
          <xsl:variable name="time">
            <xsl:call-template name="rk:time"><xsl:with-param name="value" select="normalize-space(Time)"/></xsl:call-template>
          </xsl:variable>
          <xsl:call-template name="line">
            <xsl:with-param name="time" select="string($time)"/>
            <xsl:with-param name="severity" select="normalize-space(Severity)"/>
            <xsl:with-param name="object" select="normalize-space(Object)"/>
            <xsl:with-param name="text" select="normalize-space(Text)"/>
            <xsl:with-param name="widths" select="concat($timeWidth, ' ', $severityWidth, ' ', $objectWidth)"/>
          </xsl:call-template>
        </xsl:for-each>
        <xsl:value-of select="concat($rk.nl, count(Event), ' event')"/>
        <xsl:if test="count(Event) != 1">s</xsl:if>
        <xsl:value-of select="concat('.', $rk.nl)"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- One table line; widths is "time severity object". -->
  <xsl:template name="line">
    <xsl:param name="time"/>
    <xsl:param name="severity"/>
    <xsl:param name="object"/>
    <xsl:param name="text"/>
    <xsl:param name="widths"/>
    <xsl:variable name="tw" select="number(substring-before($widths, ' '))"/>
    <xsl:variable name="rest" select="substring-after($widths, ' ')"/>
    <xsl:variable name="sw" select="number(substring-before($rest, ' '))"/>
    <xsl:variable name="ow" select="number(substring-after($rest, ' '))"/>
    <xsl:value-of select="concat($time, substring($rk.spaces, 1, $tw - string-length($time)), '  ',
                                 $severity, substring($rk.spaces, 1, $sw - string-length($severity)), '  ',
                                 $object, substring($rk.spaces, 1, $ow - string-length($object)), '  ',
                                 $text, $rk.nl)"/>
  </xsl:template>

  <!-- The length of the longest text among the nodes (times as shown), at least "least". -->
  <xsl:template name="widest">
    <xsl:param name="nodes"/>
    <xsl:param name="least"/>
    <xsl:variable name="found">
      <xsl:for-each select="$nodes">
        <xsl:sort select="string-length(normalize-space(.))" data-type="number" order="descending"/>
        <xsl:if test="position() = 1">
          <xsl:variable name="shown">
            <xsl:call-template name="rk:time"><xsl:with-param name="value" select="normalize-space(.)"/></xsl:call-template>
          </xsl:variable>
          <xsl:value-of select="string-length($shown)"/>
        </xsl:if>
      </xsl:for-each>
    </xsl:variable>
    <xsl:choose>
      <xsl:when test="number($found) &gt; $least"><xsl:value-of select="$found"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$least"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
